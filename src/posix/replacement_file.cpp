#include "util/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "util/file_errors.h"

namespace quillet {
namespace {

RunTimeError ErrnoError() { return FileError(static_cast<unsigned long>(errno)); }

}  // namespace

struct ReplacementFile::Platform {
  std::string target;
  std::string temporary;
  int descriptor = -1;
  bool replaces_a_file = false;
};

ReplacementFile::ReplacementFile(std::string_view target) : platform_(std::make_unique<Platform>()) {
  if (target.empty()) throw EmptyPathError();
  platform_->target = std::string(target);
  // Write through a link to its file rather than replace the link.
  struct stat status;
  if (::lstat(platform_->target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    if (char* resolved = ::realpath(platform_->target.c_str(), nullptr)) {
      platform_->target = resolved;
      std::free(resolved);
    }
  }
  mode_t mode = 0666;
  if (::stat(platform_->target.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) throw FolderNotFileError();
    // A rename would put a file where a device or pipe was, instead of writing to it.
    if (!S_ISREG(status.st_mode)) throw NotRegularFileError();
    platform_->replaces_a_file = true;
    mode = status.st_mode & 07777;
  } else if (errno != ENOENT) {
    throw ErrnoError();
  }
  for (int attempt = 0; platform_->descriptor < 0; ++attempt) {
    platform_->temporary = NewTemporaryNameFor(platform_->target);
    platform_->descriptor = ::open(platform_->temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (platform_->descriptor < 0 && (errno != EEXIST || attempt == 100)) throw ErrnoError();
  }
  if (platform_->replaces_a_file) ::fchmod(platform_->descriptor, mode);
}

ReplacementFile::~ReplacementFile() {
  if (platform_->descriptor >= 0) ::close(platform_->descriptor);
  if (!platform_->temporary.empty()) ::unlink(platform_->temporary.c_str());
}

void ReplacementFile::Write(std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(platform_->descriptor, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw ErrnoError();
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

void ReplacementFile::WriteAt(std::uint64_t offset, std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(platform_->descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) throw ErrnoError();
    bytes = bytes.subspan(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
}

void ReplacementFile::Commit() {
  if (platform_->replaces_a_file && ::fsync(platform_->descriptor) != 0) throw ErrnoError();
  const int descriptor = std::exchange(platform_->descriptor, -1);
  // Some file systems (NFS among them) report a failed write only here.
  if (::close(descriptor) != 0) throw ErrnoError();
  if (::rename(platform_->temporary.c_str(), platform_->target.c_str()) != 0) throw ErrnoError();
  platform_->temporary.clear();
}

const std::string& ReplacementFile::temporary_path() const { return platform_->temporary; }

}  // namespace quillet
