#include "platform/Platform.FileReplace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

namespace {

// ".NAME.PID.tmp" beside Path: hidden, and not taken for the file itself by a reader that picks
// files by their ending (the node exporter reads only *.prom).
std::string TemporaryNameFor(const std::string& Path) {
  const std::size_t Slash = Path.rfind('/');
  const std::string Folder = Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
  const std::string Name = Slash == std::string::npos ? Path : Path.substr(Slash + 1);
  return Folder + "." + Name + "." + std::to_string(getpid()) + ".tmp";
}

int WriteWhole(int Descriptor, std::string_view Text) {
  while (!Text.empty()) {
    const ssize_t Count = write(Descriptor, Text.data(), Text.size());
    if (Count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    Text.remove_prefix(static_cast<std::size_t>(Count));
  }
  return 0;
}

}  // namespace

int ReplaceFileContents(const std::string& Path, std::string_view Text) {
  const std::string Temporary = TemporaryNameFor(Path);
  // Never through a link or into a file someone else put there: a name left by an earlier
  // process of the same number is this program's own, removed and made anew once.
  int Descriptor = -1;
  for (int Attempt = 0; Attempt < 2 && Descriptor < 0; ++Attempt) {
    Descriptor =
        open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (Descriptor < 0 && (errno != EEXIST || Attempt > 0 || unlink(Temporary.c_str()) != 0)) {
      return errno;
    }
  }
  int Code = WriteWhole(Descriptor, Text);
  if (close(Descriptor) != 0 && Code == 0) {
    Code = errno;
  }
  if (Code == 0 && rename(Temporary.c_str(), Path.c_str()) != 0) {
    Code = errno;
  }
  if (Code != 0) {
    unlink(Temporary.c_str());
  }
  return Code;
}

int RemoveFile(const std::string& Path) {
  return unlink(Path.c_str()) == 0 ? 0 : errno;
}

}  // namespace Platform
