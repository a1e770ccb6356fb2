// Waking the Qt event queue at a given moment, finer than Qt's timers can.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

class QSocketNotifier;

namespace erp::ui {

// Wakes the event queue of the thread that made it at a moment of the monotonic clock (the
// clock of std::chrono::steady_clock): to the microsecond on Linux, where a timer descriptor
// wakes it, else at the next whole millisecond after the moment (Qt's timers count whole
// milliseconds, which would end every 20 ms iteration of the viewer loop up to a millisecond
// late). Nothing else happens when it fires; QEventLoop::WaitForMoreEvents returns. Making one
// sets the timer slack of its thread to 1 us on Linux (50 us by default), for all its waits.
class WakeUp : public QObject {
 public:
  WakeUp();
  ~WakeUp() override;
  WakeUp(const WakeUp&) = delete;
  WakeUp& operator=(const WakeUp&) = delete;

  // Wakes the queue once at `moment` (at once when it has passed), instead of any moment set before.
  void At(std::chrono::steady_clock::time_point moment);

 private:
  int descriptor_ = -1;                 // the timer descriptor, -1 where there is none
  QSocketNotifier* notifier_ = nullptr;  // reads the descriptor when it fires
  QTimer timer_;                        // where there is no timer descriptor
};

}  // namespace erp::ui
