#include "core/Threads.h"

#include <gtest/gtest.h>

#include <atomic>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

namespace erp {
namespace {

// Either way of starting runs the body, and the thread ends up allowed on every processor its
// maker is (a thread kept off the maker's processor for good would halve a pass on two cores).
TEST(StartThread, RunsTheBodyWithTheCallersProcessors) {
#if defined(__linux__)
  cpu_set_t callers;
  CPU_ZERO(&callers);
  ASSERT_EQ(sched_getaffinity(0, sizeof callers, &callers), 0);
#endif
  for (const ThreadStart where : {ThreadStart::Anywhere, ThreadStart::Elsewhere}) {
    for (int round = 0; round < 20; ++round) {
      std::atomic<bool> started{false};
      std::atomic<bool> ran{false};
      bool sameProcessors = true;
      std::thread thread = StartThread(where, [&] {
        while (!started.load()) std::this_thread::yield();  // StartThread has returned
#if defined(__linux__)
        cpu_set_t mine;
        CPU_ZERO(&mine);
        sameProcessors = pthread_getaffinity_np(pthread_self(), sizeof mine, &mine) == 0 && CPU_EQUAL(&mine, &callers);
#endif
        ran = true;
      });
      started = true;
      thread.join();
      EXPECT_TRUE(ran);
      EXPECT_TRUE(sameProcessors) << "start " << static_cast<int>(where) << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace erp
