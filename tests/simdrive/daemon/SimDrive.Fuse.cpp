#include "SimDrive.Fuse.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace SimDrive {

namespace {

TSession& SessionOf(fuse_req_t Request) {
  return *static_cast<TSession*>(fuse_req_userdata(Request));
}

std::int64_t MonotonicNs() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  return static_cast<std::int64_t>(Now.tv_sec) * 1'000'000'000 + Now.tv_nsec;
}

// Holds the reply until the drive's time for the request has passed. Work that already ran
// past it made the drive slower than its speed, and stays lost. A signal ends the wait only
// when the daemon is stopping: otherwise it would shorten the request.
void WaitUntil(TSession& Session, std::int64_t DeadlineNs) {
  const std::int64_t Before = MonotonicNs();
  if (Before > DeadlineNs) {
    Session.Drive.Overran(Before);
  } else {
    const timespec Deadline{static_cast<time_t>(DeadlineNs / 1'000'000'000),
                            static_cast<long>(DeadlineNs % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &Deadline, nullptr) == EINTR &&
           !fuse_session_exited(Session.Session)) {
    }
  }
  const std::int64_t After = MonotonicNs();
  if (After > Before && Before < DeadlineNs) {
    Session.Stats.Add(&TStats::SleptNs, static_cast<std::uint64_t>(After - Before));
  }
  if (After > DeadlineNs) {
    Session.Stats.Add(&TStats::LateNs, static_cast<std::uint64_t>(After - DeadlineNs));
  }
}

// Attributes and entries are never cached by the kernel: every access reaches the daemon,
// so a drive that has gone away fails at once instead of answering from the cache.
fuse_entry_param EntryOf(TSession& Session, TInode& Node) {
  fuse_entry_param Entry{};
  Entry.ino = Node.Number;
  Entry.generation = 1;
  Entry.attr = Session.Drive.Attributes(Node);
  Entry.attr_timeout = 0;
  Entry.entry_timeout = 0;
  return Entry;
}

// A lookup, create or mkdir hands the kernel one reference; if the kernel never got the reply
// it will not forget it either.
void ReplyEntry(fuse_req_t Request, TSession& Session, TInode& Node) {
  ++Node.Lookups;
  const fuse_entry_param Entry = EntryOf(Session, Node);
  if (fuse_reply_entry(Request, &Entry) != 0) {
    Session.Drive.Forget(Node, 1);
  }
}

TInode* Folder(TSession& Session, fuse_ino_t Number) {
  TInode* Node = Session.Drive.Tree().Find(Number);
  return Node != nullptr && Node->Kind == TKind::Folder ? Node : nullptr;
}

// Opened files keep the kernel's page cache (as on a real drive, a read-back must drop it to
// reach the drive), and bypass it altogether when the drive is configured so.
void SetOpenFlags(TSession& Session, fuse_file_info* Info) {
  Info->keep_cache = 1;
  Info->direct_io = Session.Config.DirectIo ? 1 : 0;
}

void Init(void* UserData, fuse_conn_info* Connection) {
  const auto& Session = *static_cast<TSession*>(UserData);
  // As large as both sides go: libfuse 3.14 reads requests into a buffer of 256 pages plus a
  // header (a larger max_write makes every read of /dev/fuse fail with EINVAL), and the
  // kernel's fs.fuse.max_pages_limit is 256 pages too. An 8 MiB write is eight requests.
  Connection->max_write = static_cast<unsigned>(256 * sysconf(_SC_PAGESIZE));
  // The page cache is dropped when asked, not whenever the file's time changes.
  Connection->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
  // An unbuffered write goes out one request after the other, as on a local filesystem: one
  // that fills the drive comes back short and the retry fails with ENOSPC. Asynchronous direct
  // I/O would send all eight at once and fail the whole write for the error of any of them,
  // though the part before it is stored.
  Connection->want &= ~FUSE_CAP_ASYNC_DIO;
  if (Session.Config.WritebackCache) {
    Connection->want |= FUSE_CAP_WRITEBACK_CACHE;
  }
}

void Lookup(fuse_req_t Request, fuse_ino_t Parent, const char* Name) {
  TSession& Session = SessionOf(Request);
  TInode* Parents = Folder(Session, Parent);
  TInode* Node = Parents == nullptr ? nullptr : Session.Drive.Tree().Child(*Parents, Name);
  if (Node == nullptr) {
    fuse_reply_err(Request, Parents == nullptr ? ENOTDIR : ENOENT);
    return;
  }
  ReplyEntry(Request, Session, *Node);
}

void Forget(fuse_req_t Request, fuse_ino_t Number, std::uint64_t Count) {
  TSession& Session = SessionOf(Request);
  if (TInode* Node = Session.Drive.Tree().Find(Number)) {
    Session.Drive.Forget(*Node, Count);
  }
  fuse_reply_none(Request);
}

void ForgetMany(fuse_req_t Request, std::size_t Count, fuse_forget_data* Forgets) {
  TSession& Session = SessionOf(Request);
  for (std::size_t Index = 0; Index < Count; ++Index) {
    if (TInode* Node = Session.Drive.Tree().Find(Forgets[Index].ino)) {
      Session.Drive.Forget(*Node, Forgets[Index].nlookup);
    }
  }
  fuse_reply_none(Request);
}

void GetAttributes(fuse_req_t Request, fuse_ino_t Number, fuse_file_info*) {
  TSession& Session = SessionOf(Request);
  TInode* Node = Session.Drive.Tree().Find(Number);
  if (Node == nullptr) {
    fuse_reply_err(Request, ENOENT);
    return;
  }
  const struct stat Attributes = Session.Drive.Attributes(*Node);
  fuse_reply_attr(Request, &Attributes, 0);
}

void SetAttributes(fuse_req_t Request, fuse_ino_t Number, struct stat* Wanted, int Which,
                   fuse_file_info*) {
  TSession& Session = SessionOf(Request);
  TInode* Node = Session.Drive.Tree().Find(Number);
  if (Node == nullptr) {
    fuse_reply_err(Request, ENOENT);
    return;
  }
  if ((Which & FUSE_SET_ATTR_SIZE) != 0) {
    const int Error =
        Node->Kind == TKind::Folder
            ? EISDIR
            : Session.Drive.Resize(*Node, static_cast<std::uint64_t>(Wanted->st_size));
    if (Error != 0) {
      fuse_reply_err(Request, Error);
      return;
    }
  }
  if ((Which & FUSE_SET_ATTR_MODE) != 0) {
    Node->Mode = Wanted->st_mode & 07777;
  }
  if ((Which & FUSE_SET_ATTR_UID) != 0) {
    Node->Uid = Wanted->st_uid;
  }
  if ((Which & FUSE_SET_ATTR_GID) != 0) {
    Node->Gid = Wanted->st_gid;
  }
  const timespec Now = RealTimeNow();
  if ((Which & FUSE_SET_ATTR_ATIME_NOW) != 0) {
    Node->Accessed = Now;
  } else if ((Which & FUSE_SET_ATTR_ATIME) != 0) {
    Node->Accessed = Wanted->st_atim;
  }
  if ((Which & FUSE_SET_ATTR_MTIME_NOW) != 0) {
    Node->Modified = Now;
  } else if ((Which & FUSE_SET_ATTR_MTIME) != 0) {
    Node->Modified = Wanted->st_mtim;
  }
  Node->Changed = (Which & FUSE_SET_ATTR_CTIME) != 0 ? Wanted->st_ctim : Now;
  const struct stat Attributes = Session.Drive.Attributes(*Node);
  fuse_reply_attr(Request, &Attributes, 0);
}

void MakeFolder(fuse_req_t Request, fuse_ino_t Parent, const char* Name, mode_t Mode) {
  TSession& Session = SessionOf(Request);
  TInode* Parents = Folder(Session, Parent);
  const fuse_ctx* Caller = fuse_req_ctx(Request);
  TInode* Created = nullptr;
  const int Error = Parents == nullptr
                        ? ENOTDIR
                        : Session.Drive.Tree().Create(*Parents, Name, TKind::Folder, Mode,
                                                      Caller->uid, Caller->gid, Created);
  if (Error != 0) {
    fuse_reply_err(Request, Error);
    return;
  }
  ReplyEntry(Request, Session, *Created);
}

void RemoveEntry(fuse_req_t Request, fuse_ino_t Parent, const char* Name, TKind Kind) {
  TSession& Session = SessionOf(Request);
  TInode* Parents = Folder(Session, Parent);
  TInode* Detached = nullptr;
  const int Error =
      Parents == nullptr ? ENOTDIR : Session.Drive.Tree().Remove(*Parents, Name, Kind, Detached);
  if (Error == 0 && Kind == TKind::File) {
    Session.Stats.Add(&TStats::Unlinks, 1);
  }
  Session.Drive.Detached(Detached);
  fuse_reply_err(Request, Error);
}

void Unlink(fuse_req_t Request, fuse_ino_t Parent, const char* Name) {
  RemoveEntry(Request, Parent, Name, TKind::File);
}

void RemoveFolder(fuse_req_t Request, fuse_ino_t Parent, const char* Name) {
  RemoveEntry(Request, Parent, Name, TKind::Folder);
}

void Rename(fuse_req_t Request, fuse_ino_t Parent, const char* Name, fuse_ino_t NewParent,
            const char* NewName, unsigned int Flags) {
  TSession& Session = SessionOf(Request);
  TInode* From = Folder(Session, Parent);
  TInode* To = Folder(Session, NewParent);
  TInode* Detached = nullptr;
  const int Error = From == nullptr || To == nullptr
                        ? ENOTDIR
                        : Session.Drive.Tree().Rename(*From, Name, *To, NewName, Flags, Detached);
  Session.Drive.Detached(Detached);
  fuse_reply_err(Request, Error);
}

// Opens the file for the kernel; a reply that never arrived leaves no open behind.
void ReplyOpened(fuse_req_t Request, TSession& Session, TInode& File, fuse_file_info* Info,
                 bool Created) {
  Session.Drive.Opened(File);
  SetOpenFlags(Session, Info);
  if (Created) {
    ++File.Lookups;
    const fuse_entry_param Entry = EntryOf(Session, File);
    if (fuse_reply_create(Request, &Entry, Info) != 0) {
      Session.Drive.Closed(File);
      Session.Drive.Forget(File, 1);
    }
  } else if (fuse_reply_open(Request, Info) != 0) {
    Session.Drive.Closed(File);
  }
}

void Create(fuse_req_t Request, fuse_ino_t Parent, const char* Name, mode_t Mode,
            fuse_file_info* Info) {
  TSession& Session = SessionOf(Request);
  TInode* Parents = Folder(Session, Parent);
  if (Parents == nullptr) {
    fuse_reply_err(Request, ENOTDIR);
    return;
  }
  TInode* File = Session.Drive.Tree().Child(*Parents, Name);
  if (File != nullptr) {
    // The kernel asks to create only what it did not find, but answer as open(2) would.
    const int Error = (Info->flags & O_EXCL) != 0    ? EEXIST
                      : File->Kind == TKind::Folder  ? EISDIR
                      : (Info->flags & O_TRUNC) != 0 ? Session.Drive.Resize(*File, 0)
                                                     : 0;
    if (Error != 0) {
      fuse_reply_err(Request, Error);
      return;
    }
  } else {
    const fuse_ctx* Caller = fuse_req_ctx(Request);
    const int Error = Session.Drive.Tree().Create(*Parents, Name, TKind::File, Mode, Caller->uid,
                                                  Caller->gid, File);
    if (Error != 0) {
      fuse_reply_err(Request, Error);
      return;
    }
  }
  Session.Stats.Add(&TStats::Creates, 1);
  ReplyOpened(Request, Session, *File, Info, true);
}

void Open(fuse_req_t Request, fuse_ino_t Number, fuse_file_info* Info) {
  TSession& Session = SessionOf(Request);
  TInode* File = Session.Drive.Tree().Find(Number);
  if (File == nullptr || File->Kind != TKind::File) {
    fuse_reply_err(Request, File == nullptr ? ENOENT : EISDIR);
    return;
  }
  if ((Info->flags & O_TRUNC) != 0) {
    const int Error = Session.Drive.Resize(*File, 0);
    if (Error != 0) {
      fuse_reply_err(Request, Error);
      return;
    }
  }
  Session.Stats.Add(&TStats::Opens, 1);
  ReplyOpened(Request, Session, *File, Info, false);
}

void Read(fuse_req_t Request, fuse_ino_t Number, std::size_t Size, off_t Offset,
          fuse_file_info* Info) {
  TSession& Session = SessionOf(Request);
  TInode* File = Session.Drive.Tree().Find(Number);
  if (File == nullptr || File->Kind != TKind::File) {
    fuse_reply_err(Request, File == nullptr ? ENOENT : EISDIR);
    return;
  }
  Session.Stats.Add(&TStats::ReadRequests, 1);
  Session.Stats.Add(&TStats::DirectReadRequests, (Info->flags & O_DIRECT) != 0 ? 1 : 0);
  Session.Stats.Raise(&TStats::LargestRead, Size);
  const TReadOutcome Outcome =
      Session.Drive.Read(*File, static_cast<std::uint64_t>(Offset), Size, MonotonicNs());
  if (Outcome.Error != 0) {
    fuse_reply_err(Request, Outcome.Error);
    return;
  }
  WaitUntil(Session, Outcome.DeadlineNs);
  if (Outcome.Pieces.empty()) {
    fuse_reply_buf(Request, nullptr, 0);
  } else {
    fuse_reply_iov(Request, Outcome.Pieces.data(), static_cast<int>(Outcome.Pieces.size()));
  }
}

// The drive is pulled out under this request: no answer, the device closes, and the kernel
// fails this and every later access on the mount until it is unmounted.
[[noreturn]] void Unplug(TSession& Session) {
  Session.Stats.Set(&TStats::Unplugged, 1);
  Session.Stats.Set(&TStats::Mounted, 0);
  _exit(0);
}

void Write(fuse_req_t Request, fuse_ino_t Number, const char* Data, std::size_t Size, off_t Offset,
           fuse_file_info* Info) {
  TSession& Session = SessionOf(Request);
  TInode* File = Session.Drive.Tree().Find(Number);
  if (File == nullptr || File->Kind != TKind::File) {
    fuse_reply_err(Request, File == nullptr ? ENOENT : EISDIR);
    return;
  }
  Session.Stats.Add(&TStats::WriteRequests, 1);
  Session.Stats.Add(&TStats::DirectWriteRequests, (Info->flags & O_DIRECT) != 0 ? 1 : 0);
  Session.Stats.Add(&TStats::CacheWriteRequests, Info->writepage != 0 ? 1 : 0);
  Session.Stats.Raise(&TStats::LargestWrite, Size);
  const TWriteOutcome Outcome =
      Session.Drive.Write(*File, static_cast<std::uint64_t>(Offset),
                          reinterpret_cast<const std::byte*>(Data), Size, MonotonicNs());
  if (Outcome.Unplug) {
    Unplug(Session);
  }
  if (Outcome.Error != 0) {
    fuse_reply_err(Request, Outcome.Error);
    return;
  }
  WaitUntil(Session, Outcome.DeadlineNs);
  fuse_reply_write(Request, Outcome.Accepted);
}

void Flush(fuse_req_t Request, fuse_ino_t, fuse_file_info*) {
  SessionOf(Request).Stats.Add(&TStats::Flushes, 1);
  fuse_reply_err(Request, 0);
}

void Release(fuse_req_t Request, fuse_ino_t Number, fuse_file_info*) {
  TSession& Session = SessionOf(Request);
  if (TInode* File = Session.Drive.Tree().Find(Number)) {
    Session.Drive.Closed(*File);
  }
  fuse_reply_err(Request, 0);
}

void Fsync(fuse_req_t Request, fuse_ino_t, int, fuse_file_info*) {
  SessionOf(Request).Stats.Add(&TStats::Fsyncs, 1);
  fuse_reply_err(Request, 0);
}

void OpenFolder(fuse_req_t Request, fuse_ino_t Number, fuse_file_info* Info) {
  TSession& Session = SessionOf(Request);
  TInode* Node = Folder(Session, Number);
  if (Node == nullptr) {
    fuse_reply_err(Request, ENOTDIR);
    return;
  }
  auto Listing = std::make_unique<TFolderListing>();
  Listing->Entries.push_back({".", Session.Drive.Attributes(*Node)});
  TInode* Parent = Session.Drive.Tree().Find(Node->Parent);
  Listing->Entries.push_back({"..", Session.Drive.Attributes(Parent != nullptr ? *Parent : *Node)});
  for (const auto& [Name, Child] : Node->Entries) {
    Listing->Entries.push_back({Name, Session.Drive.Attributes(*Session.Drive.Tree().Find(Child))});
  }
  Info->fh = Session.NextFolder++;
  if (fuse_reply_open(Request, Info) == 0) {
    Session.OpenFolders.emplace(Info->fh, std::move(Listing));
  }
}

void ReadFolder(fuse_req_t Request, fuse_ino_t, std::size_t Size, off_t Offset,
                fuse_file_info* Info) {
  const TFolderListing& Listing = *SessionOf(Request).OpenFolders.at(Info->fh);
  std::vector<char> Buffer(Size);
  std::size_t Used = 0;
  for (auto Index = static_cast<std::size_t>(Offset); Index < Listing.Entries.size(); ++Index) {
    const auto& Entry = Listing.Entries[Index];
    const std::size_t Needed =
        fuse_add_direntry(Request, Buffer.data() + Used, Size - Used, Entry.Name.c_str(),
                          &Entry.Attributes, static_cast<off_t>(Index + 1));
    if (Needed > Size - Used) {
      break;
    }
    Used += Needed;
  }
  fuse_reply_buf(Request, Buffer.data(), Used);
}

void ReleaseFolder(fuse_req_t Request, fuse_ino_t, fuse_file_info* Info) {
  SessionOf(Request).OpenFolders.erase(Info->fh);
  fuse_reply_err(Request, 0);
}

void FsyncFolder(fuse_req_t Request, fuse_ino_t, int, fuse_file_info*) {
  fuse_reply_err(Request, 0);
}

void FilesystemStats(fuse_req_t Request, fuse_ino_t) {
  const struct statvfs Stats = SessionOf(Request).Drive.FilesystemStats();
  fuse_reply_statfs(Request, &Stats);
}

fuse_lowlevel_ops MakeOperations() {
  fuse_lowlevel_ops Ops{};
  Ops.init = Init;
  Ops.lookup = Lookup;
  Ops.forget = Forget;
  Ops.forget_multi = ForgetMany;
  Ops.getattr = GetAttributes;
  Ops.setattr = SetAttributes;
  Ops.mkdir = MakeFolder;
  Ops.unlink = Unlink;
  Ops.rmdir = RemoveFolder;
  Ops.rename = Rename;
  Ops.create = Create;
  Ops.open = Open;
  Ops.read = Read;
  Ops.write = Write;
  Ops.flush = Flush;
  Ops.release = Release;
  Ops.fsync = Fsync;
  Ops.opendir = OpenFolder;
  Ops.readdir = ReadFolder;
  Ops.releasedir = ReleaseFolder;
  Ops.fsyncdir = FsyncFolder;
  Ops.statfs = FilesystemStats;
  // No flock, getlk or setlk: the kernel then keeps locks itself, as on a local filesystem.
  return Ops;
}

}  // namespace

const fuse_lowlevel_ops& Operations() {
  static const fuse_lowlevel_ops Ops = MakeOperations();
  return Ops;
}

}  // namespace SimDrive
