#pragma once

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SimDrive.BlockPool.h"
#include "SimDrive.Config.h"
#include "SimDrive.Flash.h"
#include "SimDrive.Pacing.h"
#include "SimDrive.Stats.h"
#include "SimDrive.Tree.h"

// The simulated drive without FUSE: files' data on drive positions, free space, faults and the
// time each request takes. Each operation answers with an errno and, for data, the moment the
// reply is due; the FUSE layer sleeps until then.
namespace SimDrive {

struct TWriteOutcome {
  int Error = 0;
  std::size_t Accepted = 0;  // less than asked when the drive filled up
  std::int64_t DeadlineNs = 0;
  bool Unplug = false;  // the drive must vanish now, without answering
};

struct TReadOutcome {
  int Error = 0;
  std::int64_t DeadlineNs = 0;
  std::vector<iovec> Pieces;  // the data in order, pointing into the drive or at zeros
};

class TDrive {
 public:
  TDrive(const TConfig& Drive, TStatsFile& Stats, std::uint32_t Uid, std::uint32_t Gid);

  TTree& Tree() { return FTree; }
  struct stat Attributes(const TInode& Node) const;
  struct statvfs FilesystemStats() const;

  TWriteOutcome Write(TInode& File, std::uint64_t Offset, const std::byte* Data, std::size_t Size,
                      std::int64_t NowNs);
  TReadOutcome Read(TInode& File, std::uint64_t Offset, std::size_t Size, std::int64_t NowNs);
  int Resize(TInode& File, std::uint64_t Size);
  // The last request's work ended past its deadline (see TPacing::Overran).
  void Overran(std::int64_t DoneNs) { FPacing.Overran(DoneNs); }

  // References coming and going; the data of an unlinked file is freed when no open file
  // refers to it, the inode when the kernel has forgotten it too.
  void Opened(TInode& Node);
  void Closed(TInode& Node);
  void Forget(TInode& Node, std::uint64_t Count);
  void Detached(TInode* Node);

 private:
  // A write the drive refuses whatever the space: unplugged or worn out.
  bool Refused(std::size_t Size, TWriteOutcome& Outcome);
  // Where a write from Offset to End must stop for lack of space (Error set when at once).
  std::uint64_t RoomFor(const TInode& File, std::uint64_t Offset, std::uint64_t End, int& Error);
  void Store(TInode& File, std::uint64_t Offset, std::uint64_t End, const std::byte* Data);
  std::uint64_t NewBlocks(const TInode& File, std::uint64_t Offset, std::uint64_t End) const;
  std::uint64_t FittingEnd(const TInode& File, std::uint64_t Offset, std::uint64_t End) const;
  void FreeBlocksFrom(TInode& File, std::size_t FirstIndex);
  void EraseIfUnused(TInode& Node);

  TConfig FConfig;
  TBlockPool FPool;
  TFlash FFlash;
  TPacing FPacing;
  TStatsFile& FStats;
  TTree FTree;
};

}  // namespace SimDrive
