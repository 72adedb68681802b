#include "util/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "util/file_errors.h"

namespace quillet {
namespace {

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

std::string PathString(std::string_view path) {
  if (path.empty()) throw EmptyPathError();
  // A NUL inside would silently cut the path short.
  if (path.find('\0') != std::string_view::npos) throw RunTimeError(error::kBadFileName);
  return std::string(path);
}

void RequireRegularFile(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) throw FolderNotFileError();
  if (!S_ISREG(status.st_mode)) throw NotRegularFileError();
}

}  // namespace

PathStyle NativePathStyle() { return PathStyle::Posix; }

bool FileExists(std::string_view path) {
  struct stat status;
  return !path.empty() && path.find('\0') == std::string_view::npos && ::stat(std::string(path).c_str(), &status) == 0;
}

std::int64_t FileLength(std::string_view path) {
  struct stat status;
  if (::stat(PathString(path).c_str(), &status) != 0) throw FileError(static_cast<unsigned long>(errno));
  RequireRegularFile(status);
  return status.st_size;
}

FileContents ReadWholeFile(std::string_view path) {
  // Non-blocking, so that a named pipe cannot hang the open; it is refused just below.
  Descriptor file(::open(PathString(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) throw FileError(static_cast<unsigned long>(errno));
  struct stat status;
  if (::fstat(file.get(), &status) != 0) throw FileError(static_cast<unsigned long>(errno));
  RequireRegularFile(status);
  if (status.st_size > kMaxFileLength) throw FileTooLargeError();

  FileContents contents;
  const auto length = static_cast<std::size_t>(status.st_size);
  contents.data.reset(new (std::nothrow) std::byte[length]);
  if (!contents.data) throw RunTimeError(error::kOutOfMemory);
  // One read normally does it; a file that shrinks meanwhile ends early and keeps what it held.
  while (contents.size < length) {
    ssize_t got = ::read(file.get(), contents.data.get() + contents.size, length - contents.size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw ReadFailedError(DescribeOsError(static_cast<unsigned long>(errno)));
    if (got == 0) break;
    contents.size += static_cast<std::size_t>(got);
  }
  return contents;
}

}  // namespace quillet
