#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Reading the small text answers of /sys and /proc.

// Decimal number with nothing but optional trailing white space (sysfs ends values with a
// newline); false for empty text, any other character, or a value above Limit.
bool ParseDecimal(std::string_view Text, std::uint64_t& Value, std::uint64_t Limit = UINT64_MAX);

// Contents of a sysfs attribute without its final newline; false when it cannot be read.
bool ReadAttribute(const std::string& Path, std::string& Value);

// A sysfs attribute holding a decimal number.
bool ReadDecimalAttribute(const std::string& Path, std::uint64_t& Value,
                          std::uint64_t Limit = UINT64_MAX);

// Last part of a path ("/sys/devices/.../sda1" -> "sda1"); empty for "/" or "".
std::string BaseName(std::string_view Path);

// Everything before the last part ("/a/b/c" -> "/a/b").
std::string ParentPath(std::string_view Path);

// A kernel block device name that may be joined to a folder: not empty, no "/", not a dot name.
bool IsSafeDeviceName(std::string_view Name);
