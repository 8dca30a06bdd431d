#pragma once

#include <time.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

// The drive's folders and files by inode, with the rules of names (what exists, what may be
// replaced) and of lifetimes (the kernel's references, open files, links). File data is the
// drive's business: the tree only records which drive position holds each block of a file.
namespace SimDrive {

inline constexpr std::uint32_t NoBlock = 0xFFFFFFFF;

enum class TKind { File, Folder };

struct TInode {
  std::uint64_t Number = 0;
  TKind Kind = TKind::File;
  std::uint32_t Mode = 0;  // permission bits
  std::uint32_t Uid = 0;
  std::uint32_t Gid = 0;
  std::uint32_t Links = 1;
  timespec Accessed{};
  timespec Modified{};
  timespec Changed{};
  // A file: its size, and the drive position of each 4 KiB block (NoBlock for a hole).
  std::uint64_t Size = 0;
  std::vector<std::uint32_t> Blocks;
  std::uint64_t UsedBlocks = 0;
  // A folder: its entries and where it hangs.
  std::map<std::string, std::uint64_t> Entries;
  std::uint64_t Parent = 0;
  // Who still refers to it: the kernel (lookups not yet forgotten) and open files.
  std::uint64_t Lookups = 0;
  std::uint32_t Opens = 0;
};

timespec RealTimeNow();

class TTree {
 public:
  static constexpr std::uint64_t RootNumber = 1;

  TTree(std::uint32_t RootUid, std::uint32_t RootGid);

  TInode* Find(std::uint64_t Number);
  TInode* Child(const TInode& Folder, const std::string& Name);
  std::uint64_t Count() const { return FInodes.size(); }

  // Each returns 0 or an errno. What an unlink or a replacing rename took away is handed back
  // in Detached (its Links already lowered), for the drive to free once nothing refers to it.
  int Create(TInode& Folder, const std::string& Name, TKind Kind, std::uint32_t Mode,
             std::uint32_t Uid, std::uint32_t Gid, TInode*& Created);
  int Remove(TInode& Folder, const std::string& Name, TKind Kind, TInode*& Detached);
  int Rename(TInode& From, const std::string& Name, TInode& To, const std::string& NewName,
             unsigned Flags, TInode*& Detached);
  // Forgets an inode that has no links, no lookups and no opens left.
  void Erase(const TInode& Node);

 private:
  bool IsWithin(std::uint64_t Number, std::uint64_t Ancestor);

  std::unordered_map<std::uint64_t, std::unique_ptr<TInode>> FInodes;
  std::uint64_t FNextNumber = RootNumber + 1;
};

}  // namespace SimDrive
