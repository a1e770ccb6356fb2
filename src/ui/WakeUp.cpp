#include "ui/WakeUp.h"

#include <QSocketNotifier>

#if defined(__linux__)
#include <sys/prctl.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#endif

namespace erp::ui {

WakeUp::WakeUp() {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
#if defined(__linux__)
  // The system may put a thread's wake-up off by its timer slack, 50 us unless set: the thread
  // that waits here asks for 1 us, so that it wakes when it asked to.
  ::prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
  // steady_clock is CLOCK_MONOTONIC with the GNU C++ library, so its moments are the descriptor's.
  descriptor_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (descriptor_ >= 0) {
    notifier_ = new QSocketNotifier(static_cast<qintptr>(descriptor_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      std::uint64_t expirations = 0;
      [[maybe_unused]] const ssize_t read = ::read(descriptor_, &expirations, sizeof expirations);
    });
  }
#endif
}

WakeUp::~WakeUp() {
#if defined(__linux__)
  delete notifier_;
  if (descriptor_ >= 0) ::close(descriptor_);
#endif
}

void WakeUp::At(std::chrono::steady_clock::time_point moment) {
  using namespace std::chrono;
#if defined(__linux__)
  if (descriptor_ >= 0) {
    const nanoseconds since = moment.time_since_epoch();
    itimerspec when{};
    when.it_value.tv_sec = static_cast<std::time_t>(duration_cast<seconds>(since).count());
    when.it_value.tv_nsec = static_cast<long>((since % seconds(1)).count());
    if (when.it_value.tv_sec == 0 && when.it_value.tv_nsec == 0) when.it_value.tv_nsec = 1;  // 0 would disarm it
    if (::timerfd_settime(descriptor_, TFD_TIMER_ABSTIME, &when, nullptr) == 0) return;
  }
#endif
  const auto left = moment - steady_clock::now();
  timer_.start(left > nanoseconds::zero() ? ceil<milliseconds>(left) : milliseconds::zero());
}

}  // namespace erp::ui
