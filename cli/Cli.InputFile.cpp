#include "cli/Cli.InputFile.h"

#include <filesystem>
#include <vector>

#include "platform/Input.Stream.h"
#include "platform/Platform.Locale.h"
#include "platform/Platform.Terminal.h"
#include "text/Escape.Control.h"

TInputEnd ReadInputFile(const std::string& Path,
                        const std::function<void(std::string_view Piece)>& Take,
                        std::string& Error) {
  const std::string Shown = "\"" + EscapeControlCharacters(Path) + "\"";
  std::error_code Ignored;
  if (std::filesystem::is_directory(Path, Ignored)) {
    Error = Shown + " is a folder, not a file";
    return TInputEnd::Failed;
  }
  const int InterruptsBefore = Platform::InterruptCount();
  const auto Interrupted = [InterruptsBefore] {
    return Platform::InterruptCount() != InterruptsBefore;
  };
  Platform::TInputStream Stream(Path);
  if (!Stream.IsOpen()) {
    Error = "cannot read " + Shown + ": " + Platform::SystemErrorText(Stream.Error());
    return TInputEnd::Failed;
  }
  std::vector<char> Buffer(std::size_t{1} << 16);
  for (;;) {
    const long Count = Stream.Read(Buffer.data(), Buffer.size(), Interrupted);
    if (Count == Platform::TInputStream::ReadStopped) {
      return TInputEnd::Interrupted;
    }
    if (Count == Platform::TInputStream::ReadFailed) {
      Error = "cannot read " + Shown + ": " + Platform::SystemErrorText(Stream.Error());
      return TInputEnd::Failed;
    }
    if (Count == 0) {
      return Interrupted() ? TInputEnd::Interrupted : TInputEnd::Done;
    }
    Take(std::string_view(Buffer.data(), static_cast<std::size_t>(Count)));
  }
}
