#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quillet::testing {
namespace {

std::filesystem::path FromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string ToUtf8(const std::filesystem::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("quillet-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::PathOf(std::string_view name) const { return ToUtf8(path_ / FromUtf8(name)); }

std::string TempFolder::Write(std::string_view name, std::string_view bytes) const {
  std::ofstream file(path_ / FromUtf8(name), std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write test file " + std::string(name));
  return PathOf(name);
}

std::string TempFolder::Write(std::string_view name, std::span<const std::byte> bytes) const {
  return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ReadFile(const std::string& utf8_path) {
  std::ifstream file(FromUtf8(utf8_path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace quillet::testing
