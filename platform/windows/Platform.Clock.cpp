#include "platform/Platform.Clock.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

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

std::string NowIso8601() {
  SYSTEMTIME Local{};
  GetLocalTime(&Local);
  TIME_ZONE_INFORMATION Zone{};
  const DWORD Kind = GetTimeZoneInformation(&Zone);
  // Bias is minutes to add to local time for UTC: the offset is its negation.
  LONG Bias = Zone.Bias;
  if (Kind == TIME_ZONE_ID_DAYLIGHT) {
    Bias += Zone.DaylightBias;
  } else if (Kind == TIME_ZONE_ID_STANDARD) {
    Bias += Zone.StandardBias;
  }
  const LONG Offset = -Bias;
  char Text[40];
  std::snprintf(Text, sizeof Text, "%04u-%02u-%02uT%02u:%02u:%02u%c%02ld:%02ld", Local.wYear,
                Local.wMonth, Local.wDay, Local.wHour, Local.wMinute, Local.wSecond,
                Offset < 0 ? '-' : '+', std::labs(Offset) / 60, std::labs(Offset) % 60);
  return Text;
}

}  // namespace Platform
