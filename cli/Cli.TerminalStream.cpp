#include "cli/Cli.TerminalStream.h"

#include <cerrno>

#include "platform/Platform.Terminal.h"

bool TTerminalStream::Write(std::string_view Text) {
  if (FClosed) {
    return false;
  }
  errno = 0;
  // A line-buffered stream (a terminal) writes out within fwrite: a failure there leaves only
  // the error flag, fwrite's count and the following fflush look fine.
  const bool Written = std::fwrite(Text.data(), 1, Text.size(), FFile) == Text.size() &&
                       std::fflush(FFile) == 0 && !std::ferror(FFile);
  if (Written) {
    return true;
  }
  const int Code = errno;
  std::clearerr(FFile);
  if (Platform::IsClosedReaderError(Code) || Platform::IsHungUpTerminalError(FFile, Code)) {
    FClosed = true;
  } else if (FError == 0) {
    FError = Code != 0 ? Code : EIO;
  }
  return false;
}
