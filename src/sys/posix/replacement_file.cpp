#include "sys/replacement_file.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "sys/file_errors.h"
#include "sys/interrupt_cleanup.h"
#include "util/path_rules.h"

namespace quillet {

// The process's umask, which the system gives no way to read without changing it.
mode_t Umask();

namespace {

RunTimeError ErrnoError() { return FileError(static_cast<unsigned long>(errno)); }

// The folder to open for the file `path` names: "." for a bare name, "/" for one in the root.
std::string FolderOf(const std::string& path) {
  const std::optional<std::string> folder = ContainingFolder(path, PathStyle::Posix);
  return !folder ? "." : folder->empty() ? "/" : *folder;
}

// The file a chain of links ends at, whether or not it exists yet: writing through a link keeps
// the link, and a dangling one gets its file, as the shell's `>` does. A link to a process's open
// file (standard output's) is refused.
std::string FollowLinks(std::string path) {
  for (int hops = 0;; ++hops) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
    if (hops == 40) {
      errno = ELOOP;
      throw ErrnoError();
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
    if (length < 0) throw ErrnoError();
    if (static_cast<std::size_t>(length) == sizeof target) {
      errno = ENAMETOOLONG;
      throw ErrnoError();
    }
    const std::string_view link(target, static_cast<std::size_t>(length));
    // /dev/stdout and its kind lead to an open descriptor's link, whose file a rename would not
    // reach: the shell would keep the old one.
    if (link.starts_with("/proc/")) throw NotRegularFileError();
    path = link.starts_with('/') ? std::string(link)
                                 : PathIn(ContainingFolder(path, PathStyle::Posix), link, PathStyle::Posix);
  }
}

// Gives the file open at `descriptor` the extended attributes of the file `source` names: its
// access control list (kept by the system as the attribute system.posix_acl_access), and the user,
// security and trusted attributes, as `cp --preserve=all` does. An attribute that cannot be carried
// is a failure: the replacement could otherwise be open to more people than the file it replaces.
void CopyExtendedAttributes(const std::string& source, int descriptor) {
  std::vector<char> names(1024);
  ssize_t length;
  while ((length = ::listxattr(source.c_str(), names.data(), names.size())) < 0 && errno == ERANGE) {
    names.resize(names.size() * 4);
  }
  if (length < 0) {
    if (errno == ENOTSUP) return;  // a file system without them
    throw ErrnoError();
  }
  std::vector<char> value;
  for (std::size_t at = 0; at < static_cast<std::size_t>(length); at += std::strlen(names.data() + at) + 1) {
    const std::string_view name(names.data() + at);
    if (!name.starts_with("user.") && !name.starts_with("security.") && !name.starts_with("trusted.") &&
        name != "system.posix_acl_access") {
      continue;
    }
    ssize_t size;
    do {
      size = ::getxattr(source.c_str(), name.data(), nullptr, 0);  // how large it is now
      if (size > 0) {
        value.resize(static_cast<std::size_t>(size));
        size = ::getxattr(source.c_str(), name.data(), value.data(), value.size());
      }
    } while (size < 0 && errno == ERANGE);       // it grew meanwhile
    if (size < 0 && errno == ENODATA) continue;  // removed meanwhile
    if (size < 0 || ::fsetxattr(descriptor, name.data(), value.data(), static_cast<std::size_t>(size), 0) != 0) {
      throw RunTimeError(
          error::kPermissionDenied,
          "Permission denied: the replaced file's " +
              std::string(name == "system.posix_acl_access" ? "access control list"
                                                            : "extended attribute " + std::string(name)) +
              " could not be kept (" + DescribeOsError(static_cast<unsigned long>(errno)) + ")");
    }
  }
}

// The file that replacing `target` puts aside: nothing when there is none; a folder, a device or
// pipe, or a file its owner protected from writing are refused.
std::optional<struct stat> ReplaceableTarget(const std::string& target) {
  struct stat status;
  if (::stat(target.c_str(), &status) != 0) {
    if (errno == ENOENT) return std::nullopt;
    throw ErrnoError();
  }
  if (S_ISDIR(status.st_mode)) throw FolderNotFileError();
  // A rename would put a file where a device or pipe was, instead of writing to it.
  if (!S_ISREG(status.st_mode)) throw NotRegularFileError();
  // A file its owner protected from writing stays as it is, as it would for any program that opens
  // it to write.
  const int probe = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (probe < 0) throw ErrnoError();
  ::close(probe);
  return status;
}

// Gives the file open at `descriptor` what the replaced file `target` was given.
void TakeOver(int descriptor, const std::string& target, const struct stat& status) {
  mode_t mode = status.st_mode & 07777;
  // Where the owner or group cannot be kept, neither can set-user-ID or set-group-ID: they would
  // hand the old owner's rights to whoever wrote the new bytes.
  if (::fchown(descriptor, status.st_uid, status.st_gid) != 0) mode &= ~mode_t{S_ISUID | S_ISGID};
  if (::fchmod(descriptor, mode) != 0) throw ErrnoError();
  // After the mode: an access control list sets the group bits to its mask.
  CopyExtendedAttributes(target, descriptor);
}

// The rename lives in the folder: synced, so that a power cut cannot bring an old file back, leave
// neither, or lose a new one.
void SyncFolderOf(const std::string& target) {
  const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) throw ErrnoError();
  const int code = ::fsync(folder) == 0 ? 0 : errno;
  ::close(folder);
  if (code != 0 && code != EINVAL) throw FileError(static_cast<unsigned long>(code));  // EINVAL: cannot sync
}

}  // namespace

struct ReplacementFile::Platform {
  std::string target;     // the result, or (in a set) the file's place in the set's folder
  std::string temporary;  // the name it has before it takes its place, where it has one
  int descriptor = -1;
  bool replaces_a_file = false;
  bool in_set = false;
  bool unnamed = false;  // written without a name (O_TMPFILE), named only once complete
  bool synced = false;   // nothing written since its data was last forced to disk

  // Also when the constructor fails after the temporary file was made.
  ~Platform() {
    if (descriptor >= 0) ::close(descriptor);
    if (!temporary.empty()) {
      ::unlink(temporary.c_str());
      ForgetOnInterrupt(temporary);
    }
  }

  // Makes the file `path` names, new; marked for removal from the moment it is there.
  bool Create(const std::string& path, mode_t mode) {
    temporary = path;
    // No signal between the file's making and its marking: one would leave it behind.
    const SignalsHeld held;
    descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    const int open_errno = errno;
    if (descriptor >= 0) RemoveOnInterrupt(path);
    errno = open_errno;
    if (descriptor < 0) temporary.clear();
    return descriptor >= 0;
  }

  // Makes a new file beside `name` (in its folder) under a hidden name of its own: without a name
  // at all where the file system can, so that a kill cannot leave it behind however large it has
  // grown, which then gets its name once it is complete. Raises where no file can be made there.
  void CreateBeside(const std::string& name, mode_t mode) {
    descriptor = ::open(FolderOf(name).c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, mode);
    unnamed = descriptor >= 0;
    for (int attempt = 0; !unnamed && !Create(NewTemporaryNameFor(name), mode); ++attempt) {
      if (errno != EEXIST || attempt == 100) {
        // A folder that is there but takes no new file (/proc, /sys) answers "no such file".
        struct stat folder {};
        if (errno == ENOENT && ::stat(FolderOf(name).c_str(), &folder) == 0 && S_ISDIR(folder.st_mode)) {
          throw RunTimeError(error::kPathFileAccessError,
                             "Path/File access error: its folder " + FolderOf(name) + " takes no new files");
        }
        throw ErrnoError();
      }
    }
  }

  // Gives the unnamed file the name `path`, marked for removal from the moment it has it; false
  // where that name is taken.
  bool Name(const std::string& path) {
    const SignalsHeld held;
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
        (errno == EEXIST || ::linkat(descriptor, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) != 0)) {
      return false;
    }
    RemoveOnInterrupt(path);
    temporary = path;
    unnamed = false;
    return true;
  }
};

ReplacementFile::ReplacementFile(std::string_view target, Placement placement, std::string_view holding)
    : platform_(std::make_unique<Platform>()) {
  if (target.empty()) throw EmptyPathError();
  if (placement == Placement::InPlace) {
    platform_->in_set = true;
    platform_->target = std::string(target);
    platform_->CreateBeside(
        PathIn(std::string(holding), FileTitle(platform_->target, PathStyle::Posix), PathStyle::Posix), 0666);
    return;
  }
  platform_->target = FollowLinks(std::string(target));
  const std::optional<struct stat> replaced = ReplaceableTarget(platform_->target);
  platform_->replaces_a_file = replaced.has_value();
  // Private until it is complete; a replacement then takes the old file's owner and mode.
  platform_->CreateBeside(platform_->target, platform_->replaces_a_file ? 0600 : 0666);
  if (replaced) TakeOver(platform_->descriptor, platform_->target, *replaced);
}

ReplacementFile::~ReplacementFile() = default;

void ReplacementFile::Write(std::span<const std::byte> bytes) {
  platform_->synced = false;
  while (!bytes.empty()) {
    const ssize_t written = ::write(platform_->descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw ErrnoError();
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

void ReplacementFile::CopyFrom(const ReadOnlyFile& source) {
  platform_->synced = false;
  const int from = static_cast<int>(source.handle()), to = platform_->descriptor;
  if (::ioctl(to, FICLONE, from) == 0) return;
  std::uint64_t copied = 0;
  while (copied < source.size()) {
    loff_t in = static_cast<loff_t>(copied), out = in;
    const ssize_t done = ::copy_file_range(from, &in, to, &out, source.size() - copied, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) break;
    if (done < 0) throw ErrnoError();
    if (done == 0) break;  // the file shrank: reading the rest says so
    copied += static_cast<std::uint64_t>(done);
  }
  // Where the system cannot copy between these files, through a buffer.
  std::vector<std::byte> buffer(std::size_t{4} << 20);
  for (; copied < source.size(); copied += buffer.size()) {
    buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), source.size() - copied)));
    source.ReadAt(copied, buffer);
    WriteAt(copied, buffer);
  }
}

void ReplacementFile::WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) {
  platform_->synced = false;
  const auto start = static_cast<off_t>(offset), length = static_cast<off_t>(bytes.size());
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(platform_->descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw ErrnoError();
    bytes = bytes.subspan(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  // The disk starts on these bytes now, while the rest is being made, rather than all at once in
  // Commit's fsync. Only a hint: a file system that cannot take it still gets the fsync.
  ::sync_file_range(platform_->descriptor, start, length, SYNC_FILE_RANGE_WRITE);
}

void ReplacementFile::TakeModeOf(const ReadOnlyFile& source) {
  platform_->synced = false;
  if (platform_->replaces_a_file) return;
  struct stat status;
  if (::fstat(static_cast<int>(source.handle()), &status) != 0) throw ErrnoError();
  // As cp gives its copy: the source's permissions, as the umask allows.
  if (::fchmod(platform_->descriptor, status.st_mode & 0777 & ~Umask()) != 0) throw ErrnoError();
}

void ReplacementFile::Sync() {
  if (platform_->descriptor < 0 || platform_->synced) return;
  if (::fsync(platform_->descriptor) != 0) throw ErrnoError();
  platform_->synced = true;
}

void ReplacementFile::Close() {
  if (platform_->descriptor < 0) return;
  Sync();
  if (platform_->unnamed) {
    // Complete and on disk: now it may have a name, its place in a set's folder, or a hidden one
    // beside the result it is to replace.
    if (platform_->in_set) {
      if (!platform_->Name(platform_->target)) throw ErrnoError();
    } else {
      for (int attempt = 0; !platform_->Name(NewTemporaryNameFor(platform_->target)); ++attempt) {
        if (errno != EEXIST || attempt == 100) throw ErrnoError();
      }
    }
  } else if (platform_->in_set) {
    const SignalsHeld held;
    if (::rename(platform_->temporary.c_str(), platform_->target.c_str()) != 0) throw ErrnoError();
    ForgetOnInterrupt(platform_->temporary);
    RemoveOnInterrupt(platform_->temporary = platform_->target);
  }
  const int descriptor = std::exchange(platform_->descriptor, -1);
  // Some file systems (NFS among them) report a failed write only here.
  if (::close(descriptor) != 0) throw ErrnoError();
}

void ReplacementFile::Commit() {
  Close();
  if (platform_->in_set) {
    platform_->temporary.clear();  // still marked: its folder's owner forgets it
    return;
  }
  if (::rename(platform_->temporary.c_str(), platform_->target.c_str()) != 0) throw ErrnoError();
  ForgetOnInterrupt(std::exchange(platform_->temporary, {}));
  SyncFolderOf(platform_->target);
}

mode_t Umask() {
  unsigned mask = 022;
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[128];
    while (std::fgets(line, sizeof line, status)) {
      if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    }
    std::fclose(status);
  }
  return static_cast<mode_t>(mask);
}

// The mode a program's new file gets, read and write as the umask allows: a tool's result (objcopy
// marks its output executable) is then written alike by every front end.
mode_t NewFileMode() { return 0666 & ~Umask(); }

void MoveOver(std::string_view from, std::string_view target_path) {
  if (target_path.empty()) throw EmptyPathError();
  const std::string target = FollowLinks(std::string(target_path));
  const std::optional<struct stat> replaced = ReplaceableTarget(target);
  const std::string source(from);
  const int descriptor = ::open(source.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) throw ErrnoError();
  try {
    if (replaced) {
      TakeOver(descriptor, target, *replaced);
    } else if (::fchmod(descriptor, NewFileMode()) != 0) {
      throw ErrnoError();
    }
    if (::fsync(descriptor) != 0) throw ErrnoError();
  } catch (...) {
    ::close(descriptor);
    throw;
  }
  if (::close(descriptor) != 0) throw ErrnoError();
  if (::rename(source.c_str(), target.c_str()) != 0) throw ErrnoError();
  SyncFolderOf(target);
}

const std::string& ReplacementFile::temporary_path() const { return platform_->temporary; }

}  // namespace quillet
