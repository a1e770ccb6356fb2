// Whole-process figures of a command, measured from outside: the time from its start to its exit
// and its minor page faults (pages the system had to map and clear), over several runs.
//   process_bench FOLDER RUNS COMMAND [ARGS...]     (the command runs in FOLDER)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: process_bench FOLDER RUNS COMMAND [ARGS...]\n");
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[2]));
  std::vector<double> times;
  std::vector<long> faults;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) return 1;
    if (pid == 0) {
      if (chdir(argv[1]) != 0 || !std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "w", stderr)) {
        _exit(127);
      }
      execv(argv[3], argv + 3);
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    faults.push_back(usage.ru_minflt);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "process_bench: the run failed (status %d)\n", status);
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::sort(faults.begin(), faults.end());
  std::printf("start to exit over %d runs: min %.3f s, median %.3f s, max %.3f s; minor page faults: median %ld\n",
              runs, times.front(), times[times.size() / 2], times.back(), faults[faults.size() / 2]);
  return 0;
}
