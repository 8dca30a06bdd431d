#pragma once

#include <string>
#include <string_view>

// Text from outside the program (a folder name, a file name, a disk's model, a system message)
// as a report line shows it: control characters would break the line in two or drive a
// terminal, so they appear as C-style escapes ("\n", "\t", "\x1b", "\u0085"), and so do bytes
// that are not UTF-8. Everything else, Korean and backslashes included, stays byte for byte.
std::string EscapeControlCharacters(std::string_view Text);

// A name kept in a result file, which must be UTF-8: a text that is not UTF-8 or holds "\x"
// has every byte outside a well-formed UTF-8 sequence and every backslash written as "\xNN"
// (lowercase hex); any other text stays as it is. UnescapeResultText reverses it exactly.
std::string EscapeResultText(std::string_view Text);
std::string UnescapeResultText(std::string_view Text);
