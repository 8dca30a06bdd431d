#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "results/Run.Result.h"

// The version of the result file's layout. Readers refuse a newer major layout; a key added
// within a version is ignored by older readers.
inline constexpr int RunResultSchemaVersion = 1;

// The largest result file read, and the most JSON values it may hold (a pass keeps one per
// 8 MiB write: 64 passes of a 1 TB drive). Together they bound a reader's memory.
inline constexpr std::size_t ResultFileMostBytes = std::size_t{256} << 20;
inline constexpr std::size_t ResultFileMostValues = std::size_t{8} << 20;
// The longest text a result file may hold: a path of PATH_MAX bytes, each written as "\xNN".
inline constexpr std::size_t ResultFileLongestText = 16384;

// A result file that cannot be read: not JSON, not a result, or a newer layout. what() says
// which and where.
class TResultFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The run as one JSON document: "schema_version", "program", "settings", "device", "passes".
// Units are in the key names; a figure a pass does not have is null. docs/results.md describes
// every key.
nlohmann::json RunResultToJson(const TRunResult& Run);

// The run from such a document. Throws TResultFileError.
TRunResult RunResultFromJson(const nlohmann::json& Document);

// Parses Text as a result file. Throws TResultFileError.
TRunResult ParseRunResult(const std::string& Text);
