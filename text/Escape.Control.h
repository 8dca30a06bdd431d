#pragma once

#include <string>
#include <string_view>

// Text from outside the program (a folder name, a file name, a disk's model, a system message)
// as a report line shows it: control characters would break the line in two or drive a
// terminal, so they appear as C-style escapes ("\n", "\t", "\x1b", "\u0085"), and so do bytes
// that are not UTF-8. Everything else, Korean and backslashes included, stays byte for byte.
std::string EscapeControlCharacters(std::string_view Text);
