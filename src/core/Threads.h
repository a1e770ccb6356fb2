// Starting the program's own worker threads.
#pragma once

#include <functional>
#include <thread>

namespace erp {

// Where a new worker thread first runs.
enum class ThreadStart {
  // Where the system puts it.
  Anywhere,
  // On another processor than the caller's, where the system lets it. A thread made while its
  // maker keeps its processor busy is otherwise often queued behind the maker on that processor
  // while another one idles: on two cores it first ran 0.3 to 5 ms after it was made, and 0.2 ms
  // after when started elsewhere. Once running, it may run anywhere the caller may.
  Elsewhere,
};

// A new thread running `body`, first run as `where` says.
std::thread StartThread(ThreadStart where, std::function<void()> body);

}  // namespace erp
