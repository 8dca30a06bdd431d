#pragma once

#include <cstdint>
#include <string>

// Names of the test files: "Randomfile" and the file's number in decimal, e.g. Randomfile0.
inline constexpr const char* TestFilePrefix = "Randomfile";

std::string TestFileName(std::int32_t Number);

// True for a name this program could have given a file: the prefix and a number from 0 to
// 2^31 - 1 without leading zeros.
bool IsTestFileName(const std::string& Name);
