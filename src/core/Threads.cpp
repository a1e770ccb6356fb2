#include "core/Threads.h"

#include <atomic>
#include <memory>
#include <utility>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace erp {

std::thread StartThread(ThreadStart where, std::function<void()> body) {
#if defined(__linux__)
  if (where == ThreadStart::Elsewhere) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int here = sched_getcpu();
    if (here >= 0 && here < CPU_SETSIZE && sched_getaffinity(0, sizeof allowed, &allowed) == 0 &&
        CPU_ISSET(here, &allowed) && CPU_COUNT(&allowed) > 1) {
      // The thread is first kept off this processor, then given back every processor the caller
      // may use by whichever of the two comes second: the thread as it begins, or the caller once
      // it has kept it off. Either way the thread ends up with the caller's processors.
      enum : int { kNeither, kBegun, kKeptOff };
      auto state = std::make_shared<std::atomic<int>>(kNeither);
      std::thread thread([body = std::move(body), state, allowed] {
        if (state->exchange(kBegun) == kKeptOff) pthread_setaffinity_np(pthread_self(), sizeof allowed, &allowed);
        body();
      });
      cpu_set_t elsewhere = allowed;
      CPU_CLR(here, &elsewhere);
      // A failure only leaves the thread where the system put it. (A thread that has already
      // ended has begun: should these calls reach the caller itself then, which is what the C
      // library does for an ended thread, the second gives the caller its processors back.)
      pthread_setaffinity_np(thread.native_handle(), sizeof elsewhere, &elsewhere);
      if (state->exchange(kKeptOff) == kBegun) pthread_setaffinity_np(thread.native_handle(), sizeof allowed, &allowed);
      return thread;
    }
  }
#endif
  static_cast<void>(where);
  return std::thread(std::move(body));
}

}  // namespace erp
