// Whole-program figures of the automatic export, measured from outside the process:
//   1. the time from starting `orbelon -a` (offscreen) to "yp.bmp" complete, over several runs;
//   2. the processor time the window uses afterwards, idle, over a few seconds.
//   auto_export_bench ORBELON FOLDER [RUNS [IDLE_SECONDS]]
// FOLDER holds series.ini and the data files (see bench_folder). "yp.bmp" counts as complete when
// its name appears: the program writes every image to a file without a name (or a temporary name)
// first and links or renames it into place when it is whole.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "auto_export_bench: %s: %s\n", what, std::strerror(errno));
  std::exit(1);
}

// Processor time (user + system) of a process so far, in clock ticks.
long CpuTicks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));  // after "pid (comm) "
  std::string field;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stol(field);
    if (i == 15) stime = std::stol(field);
  }
  return utime + stime;
}

// Starts the program in `folder` and waits until "yp.bmp" is renamed into place. Returns the
// seconds taken; the program keeps running (its pid in `pid`).
double RunUntilYp(const char* program, const char* folder, pid_t& pid) {
  for (const char* name : {"utr.bmp", "xp.bmp", "yp.bmp"}) std::filesystem::remove(std::filesystem::path(folder) / name);
  const int watch = inotify_init1(IN_CLOEXEC);
  if (watch < 0 || inotify_add_watch(watch, folder, IN_MOVED_TO | IN_CREATE) < 0) Fail("inotify");
  const auto start = Clock::now();
  pid = fork();
  if (pid < 0) Fail("fork");
  if (pid == 0) {
    if (chdir(folder) != 0) _exit(127);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(program, program, "-a", static_cast<char*>(nullptr));
    _exit(127);
  }
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    pollfd p{watch, POLLIN, 0};
    if (poll(&p, 1, 30000) <= 0) Fail("no yp.bmp within 30 s");
    const ssize_t n = read(watch, buffer, sizeof buffer);
    if (n <= 0) Fail("inotify read");
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0 && std::strcmp(event->name, "yp.bmp") == 0) {
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        close(watch);
        return seconds;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void Stop(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: auto_export_bench ORBELON FOLDER [RUNS [IDLE_SECONDS]]\n");
    return 2;
  }
  const int runs = argc > 3 ? std::atoi(argv[3]) : 10;
  const double idleSeconds = argc > 4 ? std::atof(argv[4]) : 5.0;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    pid_t pid = 0;
    times.push_back(RunUntilYp(argv[1], argv[2], pid));
    if (run + 1 == runs && idleSeconds > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));  // let the last drawing settle
      const long before = CpuTicks(pid);
      std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
      const long used = CpuTicks(pid) - before;
      std::printf("idle window: %.2f %% of one core over %.1f s\n",
                  100.0 * static_cast<double>(used) / (static_cast<double>(sysconf(_SC_CLK_TCK)) * idleSeconds),
                  idleSeconds);
    }
    Stop(pid);
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  std::printf("start to yp.bmp over %d runs: min %.4f s, median %.4f s, max %.4f s\n", runs, times.front(), median,
              times.back());
  std::printf("beyond the timers and the loop's four iterations (0.18 s): %.4f s\n", median - 0.18);
  return 0;
}
