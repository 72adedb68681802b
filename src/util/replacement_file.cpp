#include "util/replacement_file.h"

#include <random>

#include "util/file_system.h"

namespace quillet {

std::string TemporaryNameFor(std::string_view target, std::string_view random_part) {
  const std::string_view title = FileTitle(target, NativePathStyle());
  const std::string_view folder = target.substr(0, target.size() - title.size());
  return std::string(folder) + "." + std::string(title) + "." + std::string(random_part) + ".tmp";
}

std::string NewTemporaryNameFor(std::string_view target) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device device;
  std::string part(8, ' ');
  for (char& c : part) c = kLetters[device() % (sizeof kLetters - 1)];
  return TemporaryNameFor(target, part);
}

}  // namespace quillet
