#pragma once

#include <cstdint>
#include <string>

// Clocks and local time, as thin wrappers over the operating system.
namespace Platform {

// High-resolution counter for timing one write, and its ticks per second.
std::int64_t PerformanceCounter();
std::int64_t PerformanceFrequency();

// Milliseconds of a steady clock; wraps like a 32-bit tick count.
std::uint32_t TickCount();

void SleepMs(std::uint32_t Milliseconds);

// Local date and time as days since 1899-12-30, the fraction being the time of day.
double Now();

// Local date and time in ISO 8601 with the offset from UTC: "2026-12-10T21:13:05+09:00".
std::string NowIso8601();

}  // namespace Platform
