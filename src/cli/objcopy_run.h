#pragma once

#include <cstddef>
#include <string>
#include <vector>

// An ELF file's raw binary as GNU objcopy for SH makes it, for the commands that take ELF files.
namespace quillet {

// GNU objcopy for SH: in tools/ beside this program, as the window keeps it, else on the PATH.
// Raises run-time error 53 where it is in neither.
std::string FindObjcopy();

// A temporary file of this program's, removed on every way out, a signal's included.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs objcopy (`objcopy`, as FindObjcopy gives it) to write the raw binary of the ELF file `elf`
// into `raw`. Raises where the tool fails or writes no file.
void RunObjcopy(const std::string& objcopy, const std::string& elf, const std::string& raw);

// The raw binary of the ELF file `elf`, through a temporary file in the folder `folder`. Refuses,
// before objcopy runs, an ELF whose sections lie too far apart to make one of.
std::vector<std::byte> RawBinaryThroughObjcopy(const std::string& elf, const std::string& folder);

}  // namespace quillet
