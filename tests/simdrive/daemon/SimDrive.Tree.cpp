#include "SimDrive.Tree.h"

#include <stdio.h>  // RENAME_NOREPLACE

#include <cerrno>

namespace SimDrive {

namespace {

constexpr std::size_t LongestName = 255;

void Touch(TInode& Node) {
  Node.Modified = Node.Changed = RealTimeNow();
}

}  // namespace

timespec RealTimeNow() {
  timespec Now{};
  clock_gettime(CLOCK_REALTIME, &Now);
  return Now;
}

TTree::TTree(std::uint32_t RootUid, std::uint32_t RootGid) {
  auto Root = std::make_unique<TInode>();
  Root->Number = RootNumber;
  Root->Kind = TKind::Folder;
  Root->Mode = 0755;
  Root->Uid = RootUid;
  Root->Gid = RootGid;
  Root->Links = 2;
  Root->Parent = RootNumber;
  Root->Lookups = 1;  // the kernel never forgets the root
  Root->Accessed = Root->Modified = Root->Changed = RealTimeNow();
  FInodes.emplace(RootNumber, std::move(Root));
}

TInode* TTree::Find(std::uint64_t Number) {
  const auto Found = FInodes.find(Number);
  return Found == FInodes.end() ? nullptr : Found->second.get();
}

TInode* TTree::Child(const TInode& Folder, const std::string& Name) {
  const auto Found = Folder.Entries.find(Name);
  return Found == Folder.Entries.end() ? nullptr : Find(Found->second);
}

int TTree::Create(TInode& Folder, const std::string& Name, TKind Kind, std::uint32_t Mode,
                  std::uint32_t Uid, std::uint32_t Gid, TInode*& Created) {
  if (Folder.Kind != TKind::Folder) {
    return ENOTDIR;
  }
  if (Name.size() > LongestName) {
    return ENAMETOOLONG;
  }
  if (Folder.Entries.contains(Name)) {
    return EEXIST;
  }
  auto Node = std::make_unique<TInode>();
  Node->Number = FNextNumber++;
  Node->Kind = Kind;
  Node->Mode = Mode & 07777;
  Node->Uid = Uid;
  Node->Gid = Gid;
  Node->Links = Kind == TKind::Folder ? 2 : 1;
  Node->Parent = Folder.Number;
  Node->Accessed = Node->Modified = Node->Changed = RealTimeNow();
  Created = Node.get();
  Folder.Entries.emplace(Name, Node->Number);
  if (Kind == TKind::Folder) {
    ++Folder.Links;
  }
  Touch(Folder);
  FInodes.emplace(Created->Number, std::move(Node));
  return 0;
}

int TTree::Remove(TInode& Folder, const std::string& Name, TKind Kind, TInode*& Detached) {
  TInode* Node = Child(Folder, Name);
  if (Node == nullptr) {
    return ENOENT;
  }
  if (Node->Kind != Kind) {
    return Kind == TKind::Folder ? ENOTDIR : EISDIR;
  }
  if (Kind == TKind::Folder) {
    if (!Node->Entries.empty()) {
      return ENOTEMPTY;
    }
    --Folder.Links;
    Node->Links = 0;
  } else {
    --Node->Links;
  }
  Folder.Entries.erase(Name);
  Touch(Folder);
  Node->Changed = RealTimeNow();
  Detached = Node;
  return 0;
}

bool TTree::IsWithin(std::uint64_t Number, std::uint64_t Ancestor) {
  while (true) {
    if (Number == Ancestor) {
      return true;
    }
    if (Number == RootNumber) {
      return false;
    }
    Number = Find(Number)->Parent;
  }
}

int TTree::Rename(TInode& From, const std::string& Name, TInode& To, const std::string& NewName,
                  unsigned Flags, TInode*& Detached) {
  if ((Flags & ~RENAME_NOREPLACE) != 0) {
    return EINVAL;  // exchange and whiteout are not offered
  }
  if (NewName.size() > LongestName) {
    return ENAMETOOLONG;
  }
  TInode* Node = Child(From, Name);
  if (Node == nullptr) {
    return ENOENT;
  }
  if (Node->Kind == TKind::Folder && IsWithin(To.Number, Node->Number)) {
    return EINVAL;
  }
  TInode* Target = Child(To, NewName);
  if (Target == Node) {
    return 0;
  }
  if (Target != nullptr) {
    if ((Flags & RENAME_NOREPLACE) != 0) {
      return EEXIST;
    }
    const int Removed = Remove(To, NewName, Node->Kind, Detached);
    if (Removed != 0) {
      return Removed;
    }
  }
  From.Entries.erase(Name);
  To.Entries.emplace(NewName, Node->Number);
  if (Node->Kind == TKind::Folder && &From != &To) {
    --From.Links;
    ++To.Links;
    Node->Parent = To.Number;
  }
  Touch(From);
  Touch(To);
  Node->Changed = RealTimeNow();
  return 0;
}

void TTree::Erase(const TInode& Node) {
  if (Node.Number != RootNumber) {
    FInodes.erase(Node.Number);
  }
}

}  // namespace SimDrive
