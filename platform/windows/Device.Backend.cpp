#include "platform/Device.Backend.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "platform/windows/Win32.PassThrough.h"
#include "platform/windows/Win32.Text.h"

namespace Platform {

namespace {

// Opens a physical drive for the identification requests; they need read and write access.
HANDLE OpenDeviceForRequests(const std::string& DevicePath) {
  return CreateFileW(Win32::Widen(DevicePath).c_str(), GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

// DeviceIoControl with the same buffer as input and output. The last error is cleared first,
// so that "succeeded and the last error is 0" says what it means, not what an earlier call left.
bool SendInPlace(HANDLE Device, DWORD Code, void* Buffer, DWORD Size) {
  DWORD Returned = 0;
  SetLastError(0);
  const BOOL Succeeded =
      DeviceIoControl(Device, Code, Buffer, Size, Buffer, Size, &Returned, nullptr);
  return Succeeded && GetLastError() == 0;
}

}  // namespace

bool ReadSmallFile(const std::string& Path, std::string& Contents, std::size_t Limit) {
  const HANDLE File =
      CreateFileW(Win32::Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    return false;
  }
  std::string Read;
  char Chunk[4096];
  DWORD Got = 0;
  bool Ok = true;
  while (ReadFile(File, Chunk, sizeof Chunk, &Got, nullptr) && Got > 0) {
    if (Read.size() + Got > Limit) {
      Ok = false;
      break;
    }
    Read.append(Chunk, Got);
  }
  CloseHandle(File);
  if (Ok) {
    Contents = std::move(Read);
  }
  return Ok;
}

bool DeviceOfPath(const std::string&, TDeviceNumber&) {
  return false;  // Windows names volumes by letter, not by device number
}

std::string CanonicalPath(const std::string& Path) {
  const std::wstring Wide = Win32::Widen(Path);
  if (GetFileAttributesW(Wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return {};
  }
  wchar_t Full[MAX_PATH * 4] = {};
  const DWORD Length = GetFullPathNameW(Wide.c_str(), MAX_PATH * 4, Full, nullptr);
  return Length == 0 || Length >= MAX_PATH * 4 ? std::string() : Win32::Narrow(Full);
}

bool PathExists(const std::string& Path) {
  return GetFileAttributesW(Win32::Widen(Path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsExistingNonFolder(const std::string& Path) {
  const DWORD Attributes = GetFileAttributesW(Win32::Widen(Path).c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && (Attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::vector<std::string> ListFolder(const std::string& Path) {
  std::vector<std::string> Names;
  WIN32_FIND_DATAW Found{};
  const HANDLE Search = FindFirstFileW(Win32::Widen(Path + "\\*").c_str(), &Found);
  if (Search == INVALID_HANDLE_VALUE) {
    return Names;
  }
  do {
    const std::wstring_view Name = Found.cFileName;
    if (Name != L"." && Name != L"..") {
      Names.push_back(Win32::Narrow(Name));
    }
  } while (FindNextFileW(Search, &Found));
  FindClose(Search);
  return Names;
}

TPassThroughAnswer AtaIdentifyDevice(const std::string& DevicePath) {
  TPassThroughAnswer Answer;
  const HANDLE Device = OpenDeviceForRequests(DevicePath);
  if (Device == INVALID_HANDLE_VALUE) {
    return Answer;
  }
  Answer.Opened = true;
  Win32::TAtaIdentifyRequest Request;
  Win32::BuildAtaIdentify(Request);
  Answer.Sent = SendInPlace(Device, IOCTL_ATA_PASS_THROUGH, &Request, sizeof Request);
  CloseHandle(Device);
  if (Answer.Sent) {
    std::memcpy(Answer.Data.data(), Request.Data, Answer.Data.size());
  }
  return Answer;
}

TPassThroughAnswer ScsiInquiry(const std::string& DevicePath) {
  TPassThroughAnswer Answer;
  const HANDLE Device = OpenDeviceForRequests(DevicePath);
  if (Device == INVALID_HANDLE_VALUE) {
    return Answer;
  }
  Answer.Opened = true;
  Win32::TScsiInquiryRequest Request;
  Win32::BuildScsiInquiry(Request);
  Answer.Sent = SendInPlace(Device, IOCTL_SCSI_PASS_THROUGH, &Request, sizeof Request);
  CloseHandle(Device);
  if (Answer.Sent) {
    Answer.ScsiStatus = Request.Header.ScsiStatus;
    std::memcpy(Answer.Sense.data(), Request.Sense, Answer.Sense.size());
    // Sense data is present when its first byte (the response code) is set.
    Answer.SenseLength = Request.Sense[0] != 0 ? Request.Header.SenseInfoLength : 0;
    std::memcpy(Answer.Data.data(), Request.Data, Answer.Data.size());
  }
  return Answer;
}

}  // namespace Platform
