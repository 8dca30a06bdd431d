#include "results/Writes.CsvFile.h"

#include "platform/Platform.Locale.h"
#include "results/Writes.Csv.h"

TWritesCsvFile::TWritesCsvFile(const std::string& Path)
    : FFile(std::make_unique<Platform::TLogFile>()) {
  const int Code = FFile->Create(Path);
  if (Code != 0) {
    throw TWritesCsvFileError("Cannot create file \"" + Platform::FullPath(Path) + "\". " +
                              Platform::SystemErrorText(Code));
  }
  FBuffer.reserve(BufferBytes);
  FBuffer += WritesCsvHeader;
  FBuffer += '\n';
}

TWritesCsvFile::TWritesCsvFile(std::unique_ptr<Platform::TLogFile> File) : FFile(std::move(File)) {
  FBuffer.reserve(BufferBytes);
  FBuffer += WritesCsvHeader;
  FBuffer += '\n';
}

TWritesCsvFile::~TWritesCsvFile() {
  Flush();
}

bool TWritesCsvFile::Append(std::int32_t Pass, const TWriteRecord& Write) {
  if (Pass != FPass) {
    FPass = Pass;
    FIndex = 0;
  }
  AppendWritesCsvLine(FBuffer, Pass, ++FIndex, Write);
  // Written out while the longest line still fits, so the buffer never grows.
  if (FBuffer.size() + WritesCsvMaxLine > BufferBytes) {
    return Flush();
  }
  return true;
}

bool TWritesCsvFile::AppendClose(std::int32_t Pass, const TWriteRecord& Write, double Seconds) {
  AppendClosesCsvLine(FBuffer, Pass, Pass == FPass ? FIndex : 0, Write, Seconds);
  if (FBuffer.size() + WritesCsvMaxLine > BufferBytes) {
    return Flush();
  }
  return true;
}

bool TWritesCsvFile::AppendRead(std::int32_t Pass, const TWriteRecord& Read) {
  if (Pass != FReadPass) {
    FReadPass = Pass;
    FReadIndex = 0;
  }
  AppendReadsCsvLine(FBuffer, Pass, ++FReadIndex, Read);
  if (FBuffer.size() + WritesCsvMaxLine > BufferBytes) {
    return Flush();
  }
  return true;
}

bool TWritesCsvFile::Flush() {
  if (FBuffer.empty()) {
    return true;
  }
  const bool Written = FFile->Write(FBuffer.data(), FBuffer.size());
  FBuffer.clear();  // keeps the capacity
  return Written;
}
