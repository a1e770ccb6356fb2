// Turns an IERS finals file or an EOP C04 series into a data file for the viewer:
// convert_iers INPUT OUTPUT [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--bulletin A|B] ...; --help says more.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "iers/IersConvert.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write ("File too large"), not the process
  const std::vector<std::string> args(argv + 1, argv + argc);
  return erp::iers::RunConvertIers(args, std::cout, std::cerr);
}
