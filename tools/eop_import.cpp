// Turns the EOP products of analysis centres (IERS finals and C04, IVS EOP 2.x, the IERS universal
// format, IGS ERP version 2) into data files of a working folder: eop_import INPUT... --into
// FOLDER [...]; --help says more.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "iers/IersConvert.h"

int main(int argc, char** argv) {
  std::signal(SIGXFSZ, SIG_IGN);  // a file-size limit fails the write ("File too large"), not the process
  const std::vector<std::string> args(argv + 1, argv + argc);
  return erp::iers::RunEopImport(args, std::cout, std::cerr);
}
