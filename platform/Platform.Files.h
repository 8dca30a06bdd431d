#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

// Handle of an open test file; NoFile when none is open.
using TFileHandle = std::intptr_t;
inline constexpr TFileHandle NoFile = -1;

// Handle of the folder a run works in, opened once for the whole run; NoFolder when none is.
using TFolderHandle = std::intptr_t;
inline constexpr TFolderHandle NoFolder = -1;

// What tells one file from every other: its volume and its number there (device and inode;
// volume serial number and file index), and what tells it from a later file that gets the same
// number once it is gone (ext4 hands a freed inode number out again at once). A name can come
// to mean another file; the identity cannot.
struct TFileIdentity {
  std::uint64_t Volume = 0;
  std::uint64_t File = 0;
  std::uint64_t Generation = 0;

  bool operator==(const TFileIdentity&) const = default;
};

// Space of the volume that holds a path. Error is 0 or the system's error code.
struct TVolumeSpace {
  std::int64_t FreeBytes = 0;   // available to the caller
  std::int64_t TotalBytes = 0;  // size of the volume
  int Error = 0;
};

// The folder of a run. Handle is NoFolder and Error the system's code when it was not opened;
// InUse when another run holds the folder (Error is then the system's code for that).
struct TOpenedFolder {
  TFolderHandle Handle = NoFolder;
  int Error = 0;
  bool InUse = false;
};

// A file that was created: Handle is NoFile and Error the system's code when it was not.
struct TCreatedFile {
  TFileHandle Handle = NoFile;
  TFileIdentity Identity;
  int Error = 0;
};

// What a name in a folder refers to at this moment.
enum class TNameKind : std::uint8_t {
  Missing,     // nothing by that name
  File,        // an entry that is not a folder (a file, a link, a device ...)
  Folder,      // a folder
  Unreadable,  // the system would not say (Error holds why)
};

struct TNameInfo {
  TNameKind Kind = TNameKind::Missing;
  TFileIdentity Identity;  // File and Folder only
  std::int64_t Size = 0;   // File only, in bytes
  int Error = 0;
};

// A regular file in a folder, with its size in bytes.
struct TFolderFile {
  std::string Name;
  std::int64_t Size = 0;
};

struct TFolderListing {
  std::vector<TFolderFile> Files;
  int Error = 0;
};

// How deleting a file of the run went.
enum class TDeleteOutcome : std::uint8_t {
  Deleted,   // the name referred to the file and is gone
  Missing,   // nothing by that name any more
  Replaced,  // the name refers to another file now: it was left as it is
  Failed,    // the system refused (Error holds why)
};

struct TDeleteResult {
  TDeleteOutcome Outcome = TDeleteOutcome::Failed;
  int Error = 0;
};

// A file of the run opened again to read back what was written to it. Handle is NoFile when it
// was not opened: Missing when nothing has that name any more, otherwise Error says why.
struct TOpenedForRead {
  TFileHandle Handle = NoFile;
  TFileIdentity Identity;
  int Error = 0;
  bool Missing = false;
};

// What a read gave: Count bytes, fewer than asked for only where the file ends or the read
// failed (Error, the system's code). BadSector when the failure is the drive's own, a sector it
// cannot read back, rather than a drive that is gone or a call that was refused.
struct TReadResult {
  std::size_t Count = 0;
  int Error = 0;
  bool BadSector = false;
};

// Everything the test worker asks of the operating system: the folder, its files, free space
// and clocks. Injectable so that the worker's arithmetic and ordering can be checked without a
// disk. Error codes are errno values on Linux and GetLastError values on Windows.
//
// Names are looked up, created and deleted through the folder's handle, never through its
// path again: should the path come to mean another folder during the run (unmounted, renamed
// and replaced), the run still works in the folder it started in.
class TTesterPlatform {
 public:
  virtual ~TTesterPlatform() = default;

  virtual TVolumeSpace VolumeSpace(const std::string& Path) = 0;

  // Opens the folder for a run and takes the run's hold on it: a second run that asks for the
  // same folder (by any path) gets InUse until CloseFolder.
  virtual TOpenedFolder OpenFolder(const std::string& Path) = 0;
  virtual void CloseFolder(TFolderHandle Folder) = 0;
  virtual TNameInfo LookUp(TFolderHandle Folder, const std::string& Name) = 0;
  // The regular files of the folder whose names begin with Prefix, in no particular order.
  virtual TFolderListing ListFiles(TFolderHandle Folder, const std::string& Prefix) = 0;

  // Creates a file that must not exist yet (never opens an existing one). Unbuffered asks
  // for writes that bypass the system's cache; a filesystem that refuses them gives an
  // error, and then no file is left behind.
  virtual TCreatedFile CreateNewFile(TFolderHandle Folder, const std::string& Name,
                                     bool Unbuffered) = 0;
  // Writes all Length bytes; 0 or the error code of the failing write.
  virtual int WriteAll(TFileHandle File, const std::byte* Data, std::size_t Length) = 0;
  // Waits until what was written through the cache is on the drive: 0, or the error code of
  // data that the drive did not take.
  virtual int FlushFile(TFileHandle File) = 0;
  virtual void CloseFile(TFileHandle File) = 0;
  // Deletes Name only while it refers to the file Identity; any other file of that name is
  // left as it is (Replaced).
  virtual TDeleteResult DeleteOwnFile(TFolderHandle Folder, const std::string& Name,
                                      const TFileIdentity& Identity) = 0;

  // Opens Name for reading back what the run wrote, so that the reads reach the drive and not
  // the system's cache: Unbuffered reads bypass the cache (Data, Offset and Length of ReadAt
  // are then whole units of 4 KiB); otherwise the file's cached pages are written out and
  // dropped first. Identity is the opened file's, to be compared with the one created.
  virtual TOpenedForRead OpenForRead(TFolderHandle Folder, const std::string& Name,
                                     bool Unbuffered) = 0;
  // Reads Length bytes from Offset into Data, or as many as the file still has.
  virtual TReadResult ReadAt(TFileHandle File, std::int64_t Offset, std::byte* Data,
                             std::size_t Length) = 0;

  virtual std::int64_t PerformanceCounter() = 0;
  virtual std::int64_t PerformanceFrequency() = 0;
  virtual std::uint32_t TickCount() = 0;
  virtual void SleepMs(std::uint32_t Milliseconds) = 0;
  // Sleeps Milliseconds, or less when Stop is requested meanwhile, which ends the wait at once;
  // false when it ended for that.
  virtual bool SleepUnlessStopped(std::uint32_t Milliseconds, std::stop_token Stop) = 0;
  // Local date and time as days since 1899-12-30.
  virtual double Now() = 0;
};

namespace Platform {

// The operating system's own realisation.
std::shared_ptr<TTesterPlatform> MakeTesterPlatform();

}  // namespace Platform
