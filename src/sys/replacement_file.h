#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "sys/file_system.h"

namespace quillet {

// Writes a file so that it is never seen half-written: the bytes go to a fresh temporary file in
// the target's folder, which replaces the target in one rename only after every write succeeded.
// A failure, a writer dropped without Commit, or (in a command-line program) a signal that ends
// the process removes the temporary file and leaves the target as it was. A link is written
// through to its target, dangling or not. An existing target must be writable: a write-protected
// or read-only file is refused, as any program that opens it to write would be. Replacing keeps
// the old file's mode, owner and group (set-user-ID and set-group-ID only where the owner and
// group could be kept), or on Windows its attributes and security; the data is forced to disk
// before the rename, and the rename itself after it. Failures raise RunTimeError (61 for a full
// disk).
class ReplacementFile {
 public:
  // Beside: as above. InPlace: a file of a set, whose place `target` (in the set's own temporary
  // folder, which need not be there yet) it takes when Close names it; until then it is held in the
  // folder `holding`. Commit does no more than Close; a signal removes the file until the set's
  // owner forgets it.
  //
  // While it is written, a file has no name at all where the file system allows it (Linux's
  // O_TMPFILE): a process killed before Close leaves nothing behind, however much it had written.
  enum class Placement { Beside, InPlace };
  explicit ReplacementFile(std::string_view target, Placement placement = Placement::Beside,
                           std::string_view holding = {});
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Writes `bytes` after those written so far.
  void Write(std::span<const std::byte> bytes);
  // Writes the whole of `source` from the start, before anything else is written: a clone where the
  // file system shares blocks between files, else a copy the system makes without passing the bytes
  // through this program where it can.
  void CopyFrom(const ReadOnlyFile& source);
  // Writes `bytes` at `offset`; several threads may do so at once, at different offsets.
  void WriteAt(std::uint64_t offset, std::span<const std::byte> bytes);
  // A new file (not one that replaces another) takes `source`'s permissions, as the umask allows, as
  // cp gives a copy; on Windows it keeps those any new file gets.
  void TakeModeOf(const ReadOnlyFile& source);
  // Forces what was written to disk.
  void Sync();
  // Forces what was written to disk, gives the file its name (its temporary one; in a set, its
  // place) and closes it: it can then be read back (on Windows, only a closed file can), and
  // nothing more can be written.
  void Close();
  // Closes the file, where it is open still, and puts it in its place.
  void Commit();

  // The temporary file's path, while there is one.
  const std::string& temporary_path() const;

 private:
  struct Platform;
  std::unique_ptr<Platform> platform_;
};

// Moves the complete file `from` (written by another program under a fresh name beside `target`)
// into `target`'s place as Commit does: an existing target must be writable, and keeps what it was
// given (mode, owner and group, access control list and attributes, or on Windows its attributes
// and security), and a new one the mode any new file gets (read and write as the umask allows,
// whatever the other program gave it); the data and the rename are forced to disk. Raises
// RunTimeError.
void MoveOver(std::string_view from, std::string_view target);

// The temporary file's name for `target`: a hidden name beside it with a random part.
std::string TemporaryNameFor(std::string_view target, std::string_view random_part,
                             PathStyle style = NativePathStyle());
std::string NewTemporaryNameFor(std::string_view target);

}  // namespace quillet
