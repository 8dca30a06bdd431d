#include "platform/Input.Stream.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

TInputStream::TInputStream(const std::string& Path) {
  // O_NONBLOCK: opening a FIFO without a writer must not wait where no stop can end it.
  const int Fd = open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (Fd < 0) {
    FError = errno;
    return;
  }
  FHandle = Fd;
}

TInputStream::~TInputStream() {
  if (IsOpen()) {
    close(static_cast<int>(FHandle));
  }
}

long TInputStream::Read(char* Buffer, std::size_t Size, const std::function<bool()>& Stop) {
  if (!IsOpen()) {
    return ReadFailed;
  }
  const int Fd = static_cast<int>(FHandle);
  for (;;) {
    if (Stop && Stop()) {
      return ReadStopped;
    }
    // Polled first: a FIFO that no writer has opened yet reads as its end when read at once,
    // whereas poll waits for the writer (and tells of its going with POLLHUP).
    pollfd Wait{Fd, POLLIN, 0};
    const int Ready = poll(&Wait, 1, StopPollMs);
    if (Ready == 0 || (Ready < 0 && errno == EINTR)) {
      continue;
    }
    if (Ready < 0) {
      FError = errno;
      return ReadFailed;
    }
    const ssize_t Count = read(Fd, Buffer, Size);
    if (Count >= 0) {
      return static_cast<long>(Count);
    }
    if (errno != EINTR && errno != EAGAIN) {
      FError = errno;
      return ReadFailed;
    }
  }
}

}  // namespace Platform
