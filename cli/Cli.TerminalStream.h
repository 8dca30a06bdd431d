#pragma once

#include <cstdio>
#include <string_view>

// One of the program's two output streams, written a whole text at a time and flushed at once
// (so that what goes to the other stream comes after it). A write that fails never ends the
// program: when the reader has gone ("| head -3" has its lines, or the terminal hung up) the
// stream is closed for good and nothing more is written to it; any other failure is remembered
// and later texts are tried again.
class TTerminalStream {
 public:
  explicit TTerminalStream(std::FILE* File) : FFile(File) {}

  // False when the text did not (wholly) reach the stream.
  bool Write(std::string_view Text);
  bool Closed() const { return FClosed; }
  bool Failed() const { return FError != 0; }
  // The system's code of the first failure that did not close the stream, 0 when none.
  int Error() const { return FError; }

 private:
  std::FILE* FFile;
  bool FClosed = false;
  int FError = 0;
};
