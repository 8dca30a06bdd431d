#include "SimDrive.Stats.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace SimDrive {

namespace {

constexpr std::uint64_t StatsMagic = 0x3156495244534d53;  // "SMSDRIV1"

// Both processes touch the record at once: every access is atomic, relaxed (each counter
// stands alone).
std::uint64_t Load(const TStats& Record, TStatsField Field) {
  return std::atomic_ref<std::uint64_t>(const_cast<TStats&>(Record).*Field)
      .load(std::memory_order_relaxed);
}

TStats CopyOf(const TStats& Record) {
  TStats Copy;
  Copy.Magic = Load(Record, &TStats::Magic);
  for (const auto& [Name, Field] : StatsFields()) {
    Copy.*Field = Load(Record, Field);
  }
  return Copy;
}

}  // namespace

const std::array<std::pair<const char*, TStatsField>, 29>& StatsFields() {
  static const std::array<std::pair<const char*, TStatsField>, 29> Fields = {{
      {"DaemonPid", &TStats::DaemonPid},
      {"Mounted", &TStats::Mounted},
      {"Unplugged", &TStats::Unplugged},
      {"BytesWritten", &TStats::BytesWritten},
      {"WriteRequests", &TStats::WriteRequests},
      {"DirectWriteRequests", &TStats::DirectWriteRequests},
      {"CacheWriteRequests", &TStats::CacheWriteRequests},
      {"LargestWrite", &TStats::LargestWrite},
      {"BytesRead", &TStats::BytesRead},
      {"ReadRequests", &TStats::ReadRequests},
      {"DirectReadRequests", &TStats::DirectReadRequests},
      {"LargestRead", &TStats::LargestRead},
      {"CacheSpeedBytes", &TStats::CacheSpeedBytes},
      {"SlowSpeedBytes", &TStats::SlowSpeedBytes},
      {"FoldSpeedBytes", &TStats::FoldSpeedBytes},
      {"CacheLevel", &TStats::CacheLevel},
      {"Stalls", &TStats::Stalls},
      {"WriteErrors", &TStats::WriteErrors},
      {"ReadErrors", &TStats::ReadErrors},
      {"NoSpaceErrors", &TStats::NoSpaceErrors},
      {"Creates", &TStats::Creates},
      {"Opens", &TStats::Opens},
      {"Fsyncs", &TStats::Fsyncs},
      {"Flushes", &TStats::Flushes},
      {"Unlinks", &TStats::Unlinks},
      {"UsedBlocks", &TStats::UsedBlocks},
      {"StoredBlocks", &TStats::StoredBlocks},
      {"SleptNs", &TStats::SleptNs},
      {"LateNs", &TStats::LateNs},
  }};
  return Fields;
}

std::unique_ptr<TStatsFile> TStatsFile::Create(const std::string& Path, std::string& Error) {
  if (Path.empty()) {
    return std::unique_ptr<TStatsFile>(new TStatsFile(new TStats{}, false));
  }
  const int File = open(Path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (File < 0 || ftruncate(File, sizeof(TStats)) != 0) {
    Error = Path + ": " + std::strerror(errno);
    if (File >= 0) {
      close(File);
    }
    return nullptr;
  }
  void* Data = mmap(nullptr, sizeof(TStats), PROT_READ | PROT_WRITE, MAP_SHARED, File, 0);
  close(File);
  if (Data == MAP_FAILED) {
    Error = Path + ": " + std::strerror(errno);
    return nullptr;
  }
  auto* Record = new (Data) TStats{};
  std::atomic_ref<std::uint64_t>(Record->Magic).store(StatsMagic, std::memory_order_release);
  return std::unique_ptr<TStatsFile>(new TStatsFile(Record, true));
}

TStatsFile::TStatsFile(TStats* Record, bool Mapped) : FRecord(Record), FMapped(Mapped) {}

TStatsFile::~TStatsFile() {
  if (FMapped) {
    munmap(FRecord, sizeof(TStats));
  } else {
    delete FRecord;
  }
}

void TStatsFile::Add(TStatsField Field, std::uint64_t Count) {
  std::atomic_ref<std::uint64_t>(FRecord->*Field).fetch_add(Count, std::memory_order_relaxed);
}

void TStatsFile::Set(TStatsField Field, std::uint64_t Value) {
  std::atomic_ref<std::uint64_t>(FRecord->*Field).store(Value, std::memory_order_relaxed);
}

void TStatsFile::Raise(TStatsField Field, std::uint64_t Value) {
  if (Load(*FRecord, Field) < Value) {
    Set(Field, Value);  // only the daemon writes, so no other writer can slip in between
  }
}

TStats TStatsFile::Snapshot() const {
  return CopyOf(*FRecord);
}

std::optional<TStats> TStatsFile::Read(const std::string& Path) {
  const int File = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (File < 0) {
    return std::nullopt;
  }
  std::optional<TStats> Result;
  if (lseek(File, 0, SEEK_END) >= static_cast<off_t>(sizeof(TStats))) {
    void* Data = mmap(nullptr, sizeof(TStats), PROT_READ, MAP_SHARED, File, 0);
    if (Data != MAP_FAILED) {
      const TStats Copy = CopyOf(*static_cast<const TStats*>(Data));
      munmap(Data, sizeof(TStats));
      if (Copy.Magic == StatsMagic) {
        Result = Copy;
      }
    }
  }
  close(File);
  return Result;
}

std::string StatsText(const TStats& Stats) {
  std::string Text;
  for (const auto& [Name, Field] : StatsFields()) {
    Text += std::string(Name) + " " + std::to_string(Stats.*Field) + "\n";
  }
  return Text;
}

}  // namespace SimDrive
