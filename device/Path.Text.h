#pragma once

#include <string>

// Paths taken apart by their text, "/" and on Windows "\" as separators.
bool IsPathSeparator(char C);

// The folder above Path: "a/b/" -> "a", "/a" -> "/", "a" -> ".", "C:\a" -> "C:\". Empty when
// there is nothing above ("/", "C:\", ".").
std::string ParentFolder(std::string Path);
