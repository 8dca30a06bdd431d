#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Terminal columns that UTF-8 Text takes: one a character, two for Hangul and other wide East
// Asian characters.
std::size_t DisplayWidth(std::string_view Text);

// Rows of cells as lines of text, each column as wide as its widest cell (in terminal columns)
// and two spaces apart, no spaces at a line's end. The first row is usually the titles.
std::string AlignedColumns(const std::vector<std::vector<std::string>>& Rows);
