// Writes a demo working folder for the viewer: make_demo_data OUTDIR [--date YYYY-MM-DD]
// [--leap-second YYYY-MM-DD] [--seed N]; --help says more.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "demo/DemoData.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write ("File too large"), not the process
  const std::vector<std::string> args(argv + 1, argv + argc);
  return erp::demo::RunMakeDemoData(args, std::cout, std::cerr);
}
