#include "platform/Platform.Wait.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace Platform {

bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) {
  std::mutex Mutex;
  std::condition_variable_any Woken;
  std::unique_lock Lock(Mutex);
  // Nothing but the stop request or the time ends it: the condition never turns true itself.
  Woken.wait_for(Lock, Stop, std::chrono::milliseconds(Milliseconds), [] { return false; });
  return !Stop.stop_requested();
}

}  // namespace Platform
