#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quillet::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` to the file `name` in the folder and returns its path as UTF-8.
  std::string Write(std::string_view name, std::string_view bytes) const;
  std::string Write(std::string_view name, std::span<const std::byte> bytes) const;

  // The UTF-8 path of `name` in the folder, which need not exist.
  std::string PathOf(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// Reads a whole file back.
std::string ReadFile(const std::string& utf8_path);

}  // namespace quillet::testing
