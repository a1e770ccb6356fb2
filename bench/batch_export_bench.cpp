// Whole-program figure of the batch export, measured from outside the process: the time from
// starting `orbelon --export OUT ARGS...` to its exit, over several runs.
//   batch_export_bench ORBELON FOLDER RUNS [ARGS...]
// FOLDER holds series.ini and the data files (see bench_folder); the images go to FOLDER/out.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: batch_export_bench ORBELON FOLDER RUNS [ARGS...]\n");
    return 2;
  }
  const std::filesystem::path out = std::filesystem::path(argv[2]) / "out";
  std::filesystem::create_directories(out);
  std::vector<char*> arguments{argv[1], const_cast<char*>("--export"), const_cast<char*>("out")};
  for (int i = 4; i < argc; ++i) arguments.push_back(argv[i]);
  arguments.push_back(nullptr);

  const int runs = std::max(1, std::atoi(argv[3]));
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      if (chdir(argv[2]) != 0 || !std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) {
        _exit(127);
      }
      execv(argv[1], arguments.data());
      _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "batch_export_bench: the run failed (status %d)\n", status);
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf("start to exit over %d runs: min %.3f s, median %.3f s, max %.3f s\n", runs, times.front(),
              times[times.size() / 2], times.back());
  return 0;
}
