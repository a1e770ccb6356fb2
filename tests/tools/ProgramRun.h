// Runs a built tool as a program and collects its exit status and output.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "SettingsTestSupport.h"

namespace erp::testing {

// The path of a file of tests/tools/fixtures.
inline std::string Fixture(const std::string& name) { return std::string(TOOLS_FIXTURES) + "/" + name; }

struct ProgramRun {
  int Status = -1;   // exit status; -1 when the program did not end normally
  std::string Out;   // standard output
  std::string Err;   // standard error
};

inline std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// Runs `program` with `args` through the shell, in the working folder `folder` unless that is empty;
// its output goes through files in `scratch`. `fileSizeBlocks`, when not negative, limits the size
// of the files the program writes (ulimit -f, in the shell's blocks of 512 bytes).
inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args, const TempDir& scratch,
                             const std::string& folder = {}, int fileSizeBlocks = -1) {
  std::string command = folder.empty() ? std::string() : "cd " + ShellQuoted(folder) + " && ";
  if (fileSizeBlocks >= 0) command += "ulimit -f " + std::to_string(fileSizeBlocks) + " && exec ";
  command += ShellQuoted(program);
  for (const std::string& arg : args) command += ' ' + ShellQuoted(arg);
  const std::string outPath = scratch / "program.out";
  const std::string errPath = scratch / "program.err";
  command += " >" + ShellQuoted(outPath) + " 2>" + ShellQuoted(errPath);
  const int status = std::system(command.c_str());
  ProgramRun run;
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = ReadBytes(outPath);
  run.Err = ReadBytes(errPath);
  return run;
}

}  // namespace erp::testing
