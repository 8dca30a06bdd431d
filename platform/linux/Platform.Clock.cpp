#include "platform/Platform.Clock.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "platform/DateTime.h"

namespace Platform {

std::int64_t PerformanceCounter() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  return static_cast<std::int64_t>(Now.tv_sec) * 1'000'000'000 + Now.tv_nsec;
}

std::int64_t PerformanceFrequency() {
  return 1'000'000'000;
}

std::uint32_t TickCount() {
  const auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(Ms.count());
}

void SleepMs(std::uint32_t Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

double Now() {
  timespec Wall{};
  clock_gettime(CLOCK_REALTIME, &Wall);
  tm Local{};
  const time_t Seconds = Wall.tv_sec;
  localtime_r(&Seconds, &Local);
  return EncodeDateTime({Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, Local.tm_hour,
                         Local.tm_min, Local.tm_sec, static_cast<int>(Wall.tv_nsec / 1'000'000)});
}

std::string NowIso8601() {
  const time_t Seconds = time(nullptr);
  tm Local{};
  localtime_r(&Seconds, &Local);
  char Text[48];
  const std::size_t Length = strftime(Text, sizeof Text, "%Y-%m-%dT%H:%M:%S", &Local);
  // The offset in the extended form, "+09:00", which strftime's %z does not write.
  const long Offset = Local.tm_gmtoff / 60;
  const long Minutes = Offset < 0 ? -Offset : Offset;
  std::snprintf(Text + Length, sizeof Text - Length, "%c%02ld:%02ld", Offset < 0 ? '-' : '+',
                Minutes / 60, Minutes % 60);
  return Text;
}

}  // namespace Platform
