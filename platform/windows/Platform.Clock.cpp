#include "platform/Platform.Clock.h"

#include <windows.h>

#include "platform/DateTime.h"

namespace Platform {

std::int64_t PerformanceCounter() {
  LARGE_INTEGER Counter{};
  QueryPerformanceCounter(&Counter);
  return Counter.QuadPart;
}

std::int64_t PerformanceFrequency() {
  LARGE_INTEGER Frequency{};
  QueryPerformanceFrequency(&Frequency);
  return Frequency.QuadPart;
}

std::uint32_t TickCount() {
  return GetTickCount();
}

void SleepMs(std::uint32_t Milliseconds) {
  Sleep(Milliseconds);
}

double Now() {
  SYSTEMTIME Local{};
  GetLocalTime(&Local);
  return EncodeDateTime({Local.wYear, Local.wMonth, Local.wDay, Local.wHour, Local.wMinute,
                         Local.wSecond, Local.wMilliseconds});
}

}  // namespace Platform
