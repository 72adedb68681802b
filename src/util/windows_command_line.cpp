#include "util/windows_command_line.h"

namespace quillet {

std::string ArgumentText(std::string_view command_line) {
  std::size_t at = 0;
  if (!command_line.empty() && command_line[0] == '"') {
    at = command_line.find('"', 1);
    at = at == std::string_view::npos ? command_line.size() : at + 1;
  } else {
    at = command_line.find_first_of(" \t");
    if (at == std::string_view::npos) at = command_line.size();
  }
  at = command_line.find_first_not_of(" \t", at);
  return at == std::string_view::npos ? "" : std::string(command_line.substr(at));
}

}  // namespace quillet
