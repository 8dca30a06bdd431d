#include "SimDrive.Drive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace SimDrive {

namespace {

// What holes, dropped data and never-written positions read as.
constexpr std::size_t ZeroBytes = 1 << 20;
std::byte Zeros[ZeroBytes];

std::uint64_t BlocksFor(std::uint64_t Bytes) {
  return (Bytes + BlockBytes - 1) / BlockBytes;
}

void Append(std::vector<iovec>& Pieces, const std::byte* Data, std::size_t Length) {
  if (!Pieces.empty()) {
    iovec& Last = Pieces.back();
    const auto* LastEnd = static_cast<const std::byte*>(Last.iov_base) + Last.iov_len;
    const bool ZerosFit =
        Data == Zeros && Last.iov_base == Zeros && Last.iov_len + Length <= ZeroBytes;
    if (LastEnd == Data || ZerosFit) {
      Last.iov_len += Length;
      return;
    }
  }
  Pieces.push_back({const_cast<std::byte*>(Data), Length});
}

}  // namespace

TDrive::TDrive(const TConfig& Drive, TStatsFile& Stats, std::uint32_t Uid, std::uint32_t Gid)
    : FConfig(Drive),
      FPool(static_cast<std::uint32_t>(Drive.Capacity / BlockBytes)),
      FFlash(Drive),
      FPacing(Drive),
      FStats(Stats),
      FTree(Uid, Gid) {}

struct stat TDrive::Attributes(const TInode& Node) const {
  struct stat Result {};
  Result.st_ino = Node.Number;
  Result.st_mode = (Node.Kind == TKind::Folder ? S_IFDIR : S_IFREG) | Node.Mode;
  Result.st_nlink = Node.Links;
  Result.st_uid = Node.Uid;
  Result.st_gid = Node.Gid;
  Result.st_size = static_cast<off_t>(Node.Kind == TKind::Folder ? BlockBytes : Node.Size);
  Result.st_blksize = BlockBytes;
  Result.st_blocks = static_cast<blkcnt_t>(Node.UsedBlocks * (BlockBytes / 512));
  Result.st_atim = Node.Accessed;
  Result.st_mtim = Node.Modified;
  Result.st_ctim = Node.Changed;
  return Result;
}

struct statvfs TDrive::FilesystemStats() const {
  struct statvfs Result {};
  Result.f_bsize = BlockBytes;
  Result.f_frsize = BlockBytes;
  Result.f_blocks = FPool.Blocks();
  Result.f_bfree = FPool.FreeBlocks();
  Result.f_bavail = FPool.FreeBlocks();
  Result.f_files = 1 << 20;
  Result.f_ffree = Result.f_files - std::min<std::uint64_t>(FTree.Count(), Result.f_files);
  Result.f_favail = Result.f_ffree;
  Result.f_namemax = 255;
  return Result;
}

TWriteOutcome TDrive::Write(TInode& File, std::uint64_t Offset, const std::byte* Data,
                            std::size_t Size, std::int64_t NowNs) {
  TWriteOutcome Outcome;
  Outcome.DeadlineNs = NowNs;
  if (Size == 0 || Refused(Size, Outcome)) {
    return Outcome;
  }
  const std::uint64_t End = RoomFor(File, Offset, Offset + Size, Outcome.Error);
  if (Outcome.Error != 0) {
    return Outcome;
  }
  Outcome.Accepted = End - Offset;
  const TWritePlan Plan = FPacing.Write(NowNs, Outcome.Accepted);
  Store(File, Offset, End, Data);
  FStats.Add(&TStats::BytesWritten, Outcome.Accepted);
  FStats.Add(&TStats::CacheSpeedBytes, Plan.CacheBytes);
  FStats.Add(&TStats::SlowSpeedBytes, Plan.SlowBytes);
  FStats.Add(&TStats::FoldSpeedBytes, Plan.FoldBytes);
  FStats.Add(&TStats::Stalls, Plan.Stalled ? 1 : 0);
  FStats.Set(&TStats::CacheLevel, FPacing.CacheLevel());
  FStats.Set(&TStats::UsedBlocks, FPool.Blocks() - FPool.FreeBlocks());
  FStats.Set(&TStats::StoredBlocks, FFlash.Store().DistinctBlocks());
  Outcome.DeadlineNs = Plan.DeadlineNs;
  return Outcome;
}

bool TDrive::Refused(std::size_t Size, TWriteOutcome& Outcome) {
  const std::uint64_t WrittenBefore = FPacing.Written();
  if (FConfig.UnplugAfter && WrittenBefore + Size > *FConfig.UnplugAfter) {
    Outcome.Unplug = true;
    return true;
  }
  if (FConfig.WriteErrorAfter && WrittenBefore + Size > *FConfig.WriteErrorAfter) {
    FStats.Add(&TStats::WriteErrors, 1);
    Outcome.Error = EIO;
    return true;
  }
  return false;
}

std::uint64_t TDrive::RoomFor(const TInode& File, std::uint64_t Offset, std::uint64_t End,
                              int& Error) {
  // No file reaches past the drive's size: a drive this small holds no larger file anyway,
  // and a block list that long would only cost memory.
  if (Offset >= FConfig.Capacity) {
    Error = FPool.FreeBlocks() == 0 ? ENOSPC : EFBIG;
    FStats.Add(&TStats::NoSpaceErrors, Error == ENOSPC ? 1 : 0);
    return Offset;
  }
  End = std::min<std::uint64_t>(End, FConfig.Capacity);
  if (NewBlocks(File, Offset, End) > FPool.FreeBlocks()) {
    // As a full filesystem does: what fits is written, the kernel passes the short count on,
    // and the next write finds no room at all.
    End = FittingEnd(File, Offset, End);
    if (End == Offset) {
      FStats.Add(&TStats::NoSpaceErrors, 1);
      Error = ENOSPC;
    }
  }
  return End;
}

void TDrive::Store(TInode& File, std::uint64_t Offset, std::uint64_t End, const std::byte* Data) {
  const std::uint64_t LastIndex = (End - 1) / BlockBytes;
  if (File.Blocks.size() <= LastIndex) {
    File.Blocks.resize(LastIndex + 1, NoBlock);
  }
  for (std::uint64_t Position = Offset; Position < End;) {
    const std::uint64_t Index = Position / BlockBytes;
    const std::size_t InBlock = Position % BlockBytes;
    const std::size_t Part = std::min<std::uint64_t>(BlockBytes - InBlock, End - Position);
    const bool Fresh = File.Blocks[Index] == NoBlock;
    if (Fresh) {
      File.Blocks[Index] = FPool.Allocate();
      ++File.UsedBlocks;
    }
    if (const auto Target = FFlash.Physical(File.Blocks[Index])) {
      if (Part == BlockBytes) {
        FFlash.Store().Write(*Target, Data);
      } else {
        // A fresh block may hold a deleted file's data: what this write leaves out is zeros.
        FFlash.Store().Patch(*Target, InBlock, Data, Part, Fresh);
      }
    }
    Data += Part;
    Position += Part;
  }
  File.Size = std::max(File.Size, End);
  File.Modified = File.Changed = RealTimeNow();
}

std::uint64_t TDrive::NewBlocks(const TInode& File, std::uint64_t Offset, std::uint64_t End) const {
  std::uint64_t Count = 0;
  for (std::uint64_t Index = Offset / BlockBytes; Index <= (End - 1) / BlockBytes; ++Index) {
    Count += Index >= File.Blocks.size() || File.Blocks[Index] == NoBlock ? 1 : 0;
  }
  return Count;
}

std::uint64_t TDrive::FittingEnd(const TInode& File, std::uint64_t Offset,
                                 std::uint64_t End) const {
  std::uint64_t Free = FPool.FreeBlocks();
  for (std::uint64_t Index = Offset / BlockBytes; Index <= (End - 1) / BlockBytes; ++Index) {
    const bool New = Index >= File.Blocks.size() || File.Blocks[Index] == NoBlock;
    if (New && Free-- == 0) {
      return std::max(Offset, Index * BlockBytes);
    }
  }
  return End;
}

TReadOutcome TDrive::Read(TInode& File, std::uint64_t Offset, std::size_t Size,
                          std::int64_t NowNs) {
  TReadOutcome Outcome;
  Outcome.DeadlineNs = NowNs;
  if (Offset >= File.Size || Size == 0) {
    return Outcome;
  }
  const std::uint64_t End = Offset + std::min<std::uint64_t>(Size, File.Size - Offset);
  for (std::uint64_t Position = Offset; Position < End;) {
    const std::uint64_t Index = Position / BlockBytes;
    const std::size_t InBlock = Position % BlockBytes;
    const std::size_t Part = std::min<std::uint64_t>(BlockBytes - InBlock, End - Position);
    const std::uint32_t Block = Index < File.Blocks.size() ? File.Blocks[Index] : NoBlock;
    const std::byte* Source = Zeros;
    if (Block != NoBlock) {
      if (FConfig.ReadErrorBeyond && Block * BlockBytes >= *FConfig.ReadErrorBeyond) {
        FStats.Add(&TStats::ReadErrors, 1);
        Outcome.Pieces.clear();
        Outcome.Error = EIO;
        return Outcome;
      }
      const auto Physical = FFlash.Physical(Block);
      if (const std::byte* Stored = Physical ? FFlash.Store().Read(*Physical) : nullptr) {
        Source = Stored + InBlock;
      }
    }
    Append(Outcome.Pieces, Source, Part);
    Position += Part;
  }
  FStats.Add(&TStats::BytesRead, End - Offset);
  Outcome.DeadlineNs = FPacing.Read(NowNs, End - Offset);
  return Outcome;
}

int TDrive::Resize(TInode& File, std::uint64_t Size) {
  if (Size > FConfig.Capacity) {
    return EFBIG;
  }
  if (Size < File.Size) {
    const std::uint64_t Kept = BlocksFor(Size);
    FreeBlocksFrom(File, Kept);
    // What the last kept block holds past the new end must read as zeros if the file grows.
    const std::size_t Tail = Size % BlockBytes;
    if (Tail != 0 && Kept <= File.Blocks.size() && File.Blocks[Kept - 1] != NoBlock) {
      if (const auto Last = FFlash.Physical(File.Blocks[Kept - 1])) {
        FFlash.Store().Patch(*Last, Tail, Zeros, BlockBytes - Tail, false);
      }
    }
  }
  File.Size = Size;
  File.Modified = File.Changed = RealTimeNow();
  return 0;
}

void TDrive::FreeBlocksFrom(TInode& File, std::size_t FirstIndex) {
  if (FirstIndex >= File.Blocks.size()) {
    return;
  }
  // Files are mostly runs of neighbouring positions: free each run in one step.
  std::uint32_t RunStart = NoBlock;
  std::uint32_t RunLength = 0;
  const auto FreeRun = [&] {
    if (RunLength > 0) {
      FPool.Free(RunStart, RunLength);
      FFlash.Release(RunStart, RunLength);
      File.UsedBlocks -= RunLength;
    }
  };
  for (std::size_t Index = FirstIndex; Index < File.Blocks.size(); ++Index) {
    const std::uint32_t Block = File.Blocks[Index];
    if (Block == NoBlock) {
      continue;
    }
    if (RunLength > 0 && Block == RunStart + RunLength) {
      ++RunLength;
      continue;
    }
    FreeRun();
    RunStart = Block;
    RunLength = 1;
  }
  FreeRun();
  File.Blocks.resize(FirstIndex);
  File.Blocks.shrink_to_fit();
  FStats.Set(&TStats::UsedBlocks, FPool.Blocks() - FPool.FreeBlocks());
  FStats.Set(&TStats::StoredBlocks, FFlash.Store().DistinctBlocks());
}

void TDrive::Opened(TInode& Node) {
  ++Node.Opens;
}

void TDrive::Closed(TInode& Node) {
  if (Node.Opens > 0) {
    --Node.Opens;
  }
  EraseIfUnused(Node);
}

void TDrive::Forget(TInode& Node, std::uint64_t Count) {
  Node.Lookups -= std::min(Count, Node.Lookups);
  EraseIfUnused(Node);
}

void TDrive::Detached(TInode* Node) {
  if (Node != nullptr) {
    EraseIfUnused(*Node);
  }
}

void TDrive::EraseIfUnused(TInode& Node) {
  if (Node.Links > 0 || Node.Opens > 0) {
    return;
  }
  // Unlinked and closed: nothing can reach the data any more, so its space is free now,
  // even while the kernel still remembers the inode.
  FreeBlocksFrom(Node, 0);
  if (Node.Lookups == 0) {
    FTree.Erase(Node);
  }
}

}  // namespace SimDrive
