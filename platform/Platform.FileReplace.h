#pragma once

#include <string>
#include <string_view>

namespace Platform {

// Replaces the file at Path with Text as a whole: Text is written under a temporary name in the
// same folder (hidden, ending in ".tmp", named after this process), then renamed over Path, so
// that a reader sees the old contents or the new, never a part. A symbolic link at Path is
// replaced, not followed. 0, or the system's error code; the temporary file is gone either way.
int ReplaceFileContents(const std::string& Path, std::string_view Text);

// Removes the file at Path: 0, or the system's error code.
int RemoveFile(const std::string& Path);

}  // namespace Platform
