#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/Analysis.Write.h"

// The per-write CSV: a header line, then one line per write,
//   pass,index,written_mib,remain_pct,seconds,mib_s,temp_c
// with "." decimals whatever the locale, LF line ends, index counting a pass's writes from 1,
// numbers in their shortest form that reads back to the same bits (so seconds recompute the
// speed exactly), and temp_c empty when no temperature was read.
// With verification, a pass's writes are followed by its reads, one line per 8 MiB read,
//   read,pass,index,read_mib,remain_pct,seconds,mib_s
// read_mib the MiB read so far in the pass, remain_pct where the block read was written. Without
// verification there is no such line.
// After the last write of each file (every 4 GiB and at the pass's end), the wait of its close
// (the flush and the close), which counts in the throughput as the writes' own times do:
//   close,pass,index,written_mib,seconds
// index and written_mib those of the write it followed.

inline constexpr std::string_view WritesCsvHeader =
    "pass,index,written_mib,remain_pct,seconds,mib_s,temp_c";

// Appends the write's line, with its LF, to Out. Allocates nothing when Out has room for
// WritesCsvMaxLine more bytes.
void AppendWritesCsvLine(std::string& Out, std::int32_t Pass, std::int32_t Index,
                         const TWriteRecord& Write);
inline constexpr std::size_t WritesCsvMaxLine = 160;
// The same for a read of the verification.
void AppendReadsCsvLine(std::string& Out, std::int32_t Pass, std::int32_t Index,
                        const TWriteRecord& Read);

// The close that followed the write Write of index WriteIndex, which waited Seconds.
void AppendClosesCsvLine(std::string& Out, std::int32_t Pass, std::int32_t WriteIndex,
                         const TWriteRecord& Write, double Seconds);

// A line that is not a write of the format: its number (from 1) and what is wrong, as
// "line 7: seconds "abc" is not a number".
class TWritesCsvError : public std::runtime_error {
 public:
  TWritesCsvError(std::size_t Line, const std::string& Problem);
  std::size_t Line() const { return FLine; }

 private:
  std::size_t FLine;
};

// The passes of a per-write CSV, in the file's order, each with its writes. Accepts CR LF line
// ends, a UTF-8 byte-order mark, blank lines and a last line without its end. Throws
// TWritesCsvError for anything else that is not the format: a missing header, a field count
// other than 7, a number that does not read, a negative time or speed, a pass number that
// goes back, an index that skips or repeats, a written_mib that does not grow; and for a read
// or a close line, one that does not follow a write line of its own pass (a close line: right
// after the write it names). A close's time goes to its write's CloseSeconds.
std::vector<TPassWrites> ParseWritesCsv(std::string_view Text);

// The longest line the reader takes (a line of the format is at most WritesCsvMaxLine long).
inline constexpr std::size_t WritesCsvLongestLine = 1024;
// The most writes of one pass the reader takes: 8 MiB each, a 32 TiB drive's.
inline constexpr std::size_t WritesCsvMostWritesInPass = std::size_t{4} << 20;

// The same reading as ParseWritesCsv, fed in pieces of any size, holding one pass at a time:
// each pass goes to Done as soon as the next begins (and the last at Finish). Memory stays
// within one line and one pass, whatever the input's length. Throws TWritesCsvError as
// ParseWritesCsv does, and for a line longer than WritesCsvLongestLine or a pass of more
// than WritesCsvMostWritesInPass writes.
class TWritesCsvReader {
 public:
  using TPassSink = std::function<void(TPassWrites&&)>;
  void AddText(std::string_view Text, const TPassSink& Done);
  void Finish(const TPassSink& Done);

 private:
  void AddLine(std::string_view Line, const TPassSink& Done);

  std::string FPending;
  std::optional<TPassWrites> FPass;
  bool FHeaderSeen = false;
  std::int32_t FLastIndex = 0;
  std::size_t FLineNumber = 0;
};
