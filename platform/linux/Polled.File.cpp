#include "platform/Polled.File.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

TPolledFile::TPolledFile(const std::string& Path) {
  // O_NONBLOCK: a FIFO put where a sensor was expected must not hang the open.
  const int Fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Fd >= 0) {
    FHandle = Fd;
  }
}

void TPolledFile::Close() {
  if (IsOpen()) {
    close(static_cast<int>(FHandle));
    FHandle = InvalidHandle;
  }
}

long TPolledFile::ReadFromStart(char* Buffer, std::size_t Size) const {
  if (!IsOpen()) {
    return -1;
  }
  for (;;) {
    const ssize_t Count = pread(static_cast<int>(FHandle), Buffer, Size, 0);
    if (Count >= 0) {
      return static_cast<long>(Count);
    }
    if (errno != EINTR) {
      return -1;
    }
  }
}

}  // namespace Platform
