#include "results/Writes.Csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

#include "text/Escape.Control.h"

namespace {

// Writes Value and then After. The line's buffer holds the longest line with room to spare;
// the checks only keep a failed conversion from writing past it.
template <typename T>
void Put(char*& Cursor, char* End, T Value, char After) {
  Cursor = std::to_chars(Cursor, End, Value).ptr;
  if (Cursor != End) {
    *Cursor++ = After;
  }
}

// One line's fields, split at the commas.
constexpr std::size_t FieldCount = 7;
using TFields = std::array<std::string_view, FieldCount>;

const char* const FieldNames[FieldCount] = {"pass",    "index", "written_mib", "remain_pct",
                                            "seconds", "mib_s", "temp_c"};
// A read line: its kind, then a write line's fields up to the speed.
const char* const ReadFieldNames[FieldCount] = {"read",       "pass",    "index", "read_mib",
                                                "remain_pct", "seconds", "mib_s"};
constexpr std::string_view ReadKind = "read,";
// A close line: its kind, the pass, the write it followed and that write's written_mib, and the
// time the close waited.
constexpr std::size_t CloseFieldCount = 5;
const char* const CloseFieldNames[FieldCount] = {"close",   "pass", "index", "written_mib",
                                                 "seconds", "",     ""};
constexpr std::string_view CloseKind = "close,";

// A field as an error quotes it: its start only (a field can be megabytes long), with control
// characters escaped (it goes to a terminal).
std::string Quoted(std::string_view Field) {
  constexpr std::size_t Shown = 40;
  return "\"" + EscapeControlCharacters(Field.substr(0, Shown)) + "\"" +
         (Field.size() > Shown ? "..." : "");
}

class TLineReader {
 public:
  TLineReader(std::size_t Line, std::string_view Text, const char* const* Names = FieldNames,
              std::size_t Expected = FieldCount)
      : FLine(Line), FNames(Names) {
    std::size_t Count = 0;
    std::size_t Start = 0;
    while (true) {
      const std::size_t Comma = Text.find(',', Start);
      if (Count < FieldCount) {
        FFields[Count] =
            Text.substr(Start, Comma == std::string_view::npos ? Comma : Comma - Start);
      }
      ++Count;
      if (Comma == std::string_view::npos) {
        break;
      }
      Start = Comma + 1;
    }
    if (Count != Expected) {
      Fail(std::to_string(Count) + " fields where " + std::to_string(Expected) + " are expected (" +
           (Names == FieldNames       ? std::string(WritesCsvHeader)
            : Names == ReadFieldNames ? "read,pass,index,read_mib,remain_pct,seconds,mib_s"
                                      : "close,pass,index,written_mib,seconds") +
           ")");
    }
  }

  // A whole number of at least Least.
  std::int32_t Whole(std::size_t Field, std::int32_t Least) const {
    const std::string_view Text = FFields[Field];
    std::int32_t Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Text.empty() || Error != std::errc() || End != Text.data() + Text.size()) {
      Fail(Name(Field) + Quoted(Text) + " is not a whole number");
    }
    if (Value < Least) {
      Fail(Name(Field) + Quoted(Text) + " is below " + std::to_string(Least));
    }
    return Value;
  }

  template <typename T>
  T Number(std::size_t Field) const {
    const std::string_view Text = FFields[Field];
    T Value = 0;
    const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
    if (Text.empty() || Error != std::errc() || End != Text.data() + Text.size() ||
        !std::isfinite(Value)) {
      Fail(Name(Field) + Quoted(Text) + " is not a number");
    }
    return Value;
  }

  bool Empty(std::size_t Field) const { return FFields[Field].empty(); }
  std::string_view Text(std::size_t Field) const { return FFields[Field]; }

  [[noreturn]] void Fail(const std::string& Problem) const {
    throw TWritesCsvError(FLine, Problem);
  }

  std::string Name(std::size_t Field) const { return std::string(FNames[Field]) + " "; }

 private:
  std::size_t FLine;
  const char* const* FNames;
  TFields FFields;
};

namespace Column {
enum : std::size_t { Pass, Index, WrittenMiB, RemainPercent, Seconds, MiBPerSecond, Temperature };
}

// The timed part of a line from its first field on: a write's from 0, a read's from 1.
TWriteRecord TimedFields(const TLineReader& Reader, std::size_t First) {
  TWriteRecord Record;
  Record.WrittenInMiB = Reader.Whole(First + Column::WrittenMiB, 1);
  Record.RemainPercent = Reader.Number<double>(First + Column::RemainPercent);
  Record.Seconds = Reader.Number<double>(First + Column::Seconds);
  if (Record.Seconds < 0.0) {
    Reader.Fail(Reader.Name(First + Column::Seconds) +
                Quoted(Reader.Text(First + Column::Seconds)) + " is below 0");
  }
  Record.SpeedInMiB = Reader.Whole(First + Column::MiBPerSecond, 0);
  return Record;
}

// A read line: after a write of its own pass, its index next, its read_mib growing and within
// what the pass wrote.
void AddRead(const TLineReader& Reader, std::optional<TPassWrites>& Current) {
  const std::int32_t PassNumber = Reader.Whole(1 + Column::Pass, 1);
  const std::int32_t ReadIndex = Reader.Whole(1 + Column::Index, 1);
  const TWriteRecord Read = TimedFields(Reader, 1);
  if (!Current || Current->Pass != PassNumber) {
    Reader.Fail("read of pass " + std::to_string(PassNumber) +
                " does not follow the writes of its pass");
  }
  TPassWrites& Pass = *Current;
  const auto Expected = static_cast<std::int32_t>(Pass.Reads.size()) + 1;
  if (ReadIndex != Expected) {
    Reader.Fail("index " + std::to_string(ReadIndex) + " where " + std::to_string(Expected) +
                " is expected");
  }
  const std::int32_t Before = Pass.Reads.empty() ? 0 : Pass.Reads.back().WrittenInMiB;
  if (Read.WrittenInMiB <= Before || Read.WrittenInMiB > Pass.Writes.back().WrittenInMiB) {
    Reader.Fail("read_mib " + std::to_string(Read.WrittenInMiB) + " is not between " +
                std::to_string(Before) + " and what the pass wrote (" +
                std::to_string(Pass.Writes.back().WrittenInMiB) + ")");
  }
  Pass.Reads.push_back(Read);
}

// A close line: right after the write it names, the last of its pass so far, before any read.
void AddClose(const TLineReader& Reader, std::optional<TPassWrites>& Current) {
  const std::int32_t PassNumber = Reader.Whole(1, 1);
  const std::int32_t WriteIndex = Reader.Whole(2, 1);
  const std::int32_t WrittenMiB = Reader.Whole(3, 1);
  const auto Seconds = Reader.Number<double>(4);
  if (Seconds < 0.0) {
    Reader.Fail(Reader.Name(4) + Quoted(Reader.Text(4)) + " is below 0");
  }
  if (!Current || Current->Pass != PassNumber || !Current->Reads.empty()) {
    Reader.Fail("close of pass " + std::to_string(PassNumber) +
                " does not follow the writes of its pass");
  }
  std::vector<TWriteRecord>& Writes = Current->Writes;
  if (WriteIndex != static_cast<std::int32_t>(Writes.size()) ||
      WrittenMiB != Writes.back().WrittenInMiB) {
    Reader.Fail("close after write " + std::to_string(WriteIndex) + " at " +
                std::to_string(WrittenMiB) + " MiB where the last write is " +
                std::to_string(Writes.size()) + " at " +
                std::to_string(Writes.back().WrittenInMiB) + " MiB");
  }
  Writes.back().CloseSeconds += Seconds;
}

}  // namespace

void AppendWritesCsvLine(std::string& Out, std::int32_t PassNumber, std::int32_t WriteIndex,
                         const TWriteRecord& Write) {
  char Line[WritesCsvMaxLine];
  char* const End = Line + sizeof Line;
  char* Cursor = Line;
  Put(Cursor, End, PassNumber, ',');
  Put(Cursor, End, WriteIndex, ',');
  Put(Cursor, End, Write.WrittenInMiB, ',');
  Put(Cursor, End, Write.RemainPercent, ',');
  Put(Cursor, End, Write.Seconds, ',');
  Put(Cursor, End, Write.SpeedInMiB, ',');
  if (Write.TemperatureInC && std::isfinite(*Write.TemperatureInC)) {
    Put(Cursor, End, *Write.TemperatureInC, '\n');
  } else if (Cursor != End) {
    *Cursor++ = '\n';
  }
  Out.append(Line, Cursor);
}

void AppendReadsCsvLine(std::string& Out, std::int32_t PassNumber, std::int32_t ReadIndex,
                        const TWriteRecord& Read) {
  char Line[WritesCsvMaxLine];
  char* const End = Line + sizeof Line;
  char* Cursor = Line;
  Cursor = std::copy(ReadKind.begin(), ReadKind.end(), Cursor);
  Put(Cursor, End, PassNumber, ',');
  Put(Cursor, End, ReadIndex, ',');
  Put(Cursor, End, Read.WrittenInMiB, ',');
  Put(Cursor, End, Read.RemainPercent, ',');
  Put(Cursor, End, Read.Seconds, ',');
  Put(Cursor, End, Read.SpeedInMiB, '\n');
  Out.append(Line, Cursor);
}

void AppendClosesCsvLine(std::string& Out, std::int32_t PassNumber, std::int32_t WriteIndex,
                         const TWriteRecord& Write, double Seconds) {
  char Line[WritesCsvMaxLine];
  char* const End = Line + sizeof Line;
  char* Cursor = Line;
  Cursor = std::copy(CloseKind.begin(), CloseKind.end(), Cursor);
  Put(Cursor, End, PassNumber, ',');
  Put(Cursor, End, WriteIndex, ',');
  Put(Cursor, End, Write.WrittenInMiB, ',');
  Put(Cursor, End, Seconds, '\n');
  Out.append(Line, Cursor);
}

TWritesCsvError::TWritesCsvError(std::size_t Line, const std::string& Problem)
    : std::runtime_error("line " + std::to_string(Line) + ": " + Problem), FLine(Line) {}

std::vector<TPassWrites> ParseWritesCsv(std::string_view Text) {
  std::vector<TPassWrites> Passes;
  TWritesCsvReader Reader;
  const auto Keep = [&Passes](TPassWrites&& Pass) { Passes.push_back(std::move(Pass)); };
  Reader.AddText(Text, Keep);
  Reader.Finish(Keep);
  return Passes;
}

void TWritesCsvReader::AddText(std::string_view Text, const TPassSink& Done) {
  while (!Text.empty()) {
    const std::size_t LineEnd = Text.find('\n');
    const std::string_view Piece = Text.substr(0, LineEnd);
    if (FPending.size() + Piece.size() > WritesCsvLongestLine) {
      // Nothing of the format is this long: a file without line ends is refused at once, not
      // gathered whole.
      throw TWritesCsvError(FLineNumber + 1,
                            "the line is longer than " + std::to_string(WritesCsvLongestLine) +
                                " bytes; it begins " +
                                Quoted(FPending + std::string(Piece.substr(0, 64))));
    }
    if (LineEnd == std::string_view::npos) {
      FPending += Piece;
      return;
    }
    Text.remove_prefix(LineEnd + 1);
    if (FPending.empty()) {
      AddLine(Piece, Done);
    } else {
      FPending += Piece;
      const std::string Line = std::move(FPending);
      FPending.clear();
      AddLine(Line, Done);
    }
  }
}

void TWritesCsvReader::Finish(const TPassSink& Done) {
  if (!FPending.empty()) {
    const std::string Line = std::move(FPending);
    FPending.clear();
    AddLine(Line, Done);
  }
  if (!FHeaderSeen) {
    throw TWritesCsvError(
        1, "the file is empty; the header \"" + std::string(WritesCsvHeader) + "\" is missing");
  }
  if (FPass) {
    Done(std::move(*FPass));
    FPass.reset();
  }
}

void TWritesCsvReader::AddLine(std::string_view Line, const TPassSink& Done) {
  ++FLineNumber;
  if (FLineNumber == 1) {
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (Line.substr(0, ByteOrderMark.size()) == ByteOrderMark) {
      Line.remove_prefix(ByteOrderMark.size());
    }
  }
  if (!Line.empty() && Line.back() == '\r') {
    Line.remove_suffix(1);
  }
  if (!FHeaderSeen) {
    if (Line != WritesCsvHeader) {
      throw TWritesCsvError(FLineNumber, "the header \"" + std::string(WritesCsvHeader) +
                                             "\" is missing; found " + Quoted(Line));
    }
    FHeaderSeen = true;
    return;
  }
  if (Line.empty()) {
    return;
  }
  if (Line.substr(0, CloseKind.size()) == CloseKind) {
    AddClose(TLineReader(FLineNumber, Line, CloseFieldNames, CloseFieldCount), FPass);
    return;
  }
  if (Line.substr(0, ReadKind.size()) == ReadKind) {
    AddRead(TLineReader(FLineNumber, Line, ReadFieldNames), FPass);
    return;
  }
  const TLineReader Reader(FLineNumber, Line);
  const std::int32_t PassNumber = Reader.Whole(Column::Pass, 1);
  const std::int32_t WriteIndex = Reader.Whole(Column::Index, 1);
  TWriteRecord Write = TimedFields(Reader, 0);
  if (!Reader.Empty(Column::Temperature)) {
    Write.TemperatureInC = Reader.Number<float>(Column::Temperature);
  }

  if (!FPass || PassNumber > FPass->Pass) {
    if (FPass) {
      Done(std::move(*FPass));
    }
    FPass = TPassWrites{PassNumber, {}, {}};
    FLastIndex = 0;
  } else if (PassNumber < FPass->Pass) {
    Reader.Fail("pass " + std::to_string(PassNumber) + " after pass " +
                std::to_string(FPass->Pass) + ": a pass's lines stand together");
  }
  if (!FPass->Reads.empty()) {
    Reader.Fail("a write of pass " + std::to_string(PassNumber) + " after its reads");
  }
  std::vector<TWriteRecord>& Writes = FPass->Writes;
  if (WriteIndex != FLastIndex + 1) {
    Reader.Fail("index " + std::to_string(WriteIndex) + " where " + std::to_string(FLastIndex + 1) +
                " is expected");
  }
  if (!Writes.empty() && Write.WrittenInMiB <= Writes.back().WrittenInMiB) {
    Reader.Fail("written_mib " + std::to_string(Write.WrittenInMiB) +
                " is not more than the line before (" + std::to_string(Writes.back().WrittenInMiB) +
                ")");
  }
  if (Writes.size() >= WritesCsvMostWritesInPass) {
    Reader.Fail("pass " + std::to_string(PassNumber) + " has more than " +
                std::to_string(WritesCsvMostWritesInPass) + " writes");
  }
  FLastIndex = WriteIndex;
  Writes.push_back(Write);
}
