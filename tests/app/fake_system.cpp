#include "app/fake_system.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace quillet::testing {

FakeSystem::FakeSystem() {
  run_tool = [this](const ToolRun& run) {
    WriteFile(run.arguments.back(), "written by " + run.program);
    return ToolOutcome{true, 0, "", ""};
  };
}

void FakeSystem::WriteFile(const std::string& path, const std::string& bytes) {
  static std::uint64_t clock = 0;
  files[path] = bytes;
  writes[path] = ++clock;
}

FileContents FakeSystem::ReadImage(const std::string& path) {
  reads.push_back(path);
  const auto file = files.find(path);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  auto bytes = std::make_shared<std::string>(file->second);
  return FileContents(std::shared_ptr<const std::byte>(bytes, reinterpret_cast<const std::byte*>(bytes->data())),
                      bytes->size());
}

void FakeSystem::WriteNewFile(const std::string& path, std::span<const std::byte> bytes) {
  for (const std::string& folder : read_only_folders) {
    if (path.starts_with(folder + "\\")) throw RunTimeError(error::kPermissionDenied);
  }
  WriteFile(path, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::optional<std::string> FakeSystem::FixedCopyName(ChosenDisc& disc) {
  const auto found = fixable.find(disc.path);
  return found == fixable.end() ? std::nullopt : std::optional(found->second);
}

std::string FakeSystem::WriteFixedCopy(ChosenDisc& disc, bool replace) {
  const std::string copy = PathIn(ContainingFolder(disc.path, style), fixable.at(disc.path), style);
  if (!replace && files.contains(copy)) throw RunTimeError(error::kFileAlreadyExists);
  WriteFile(copy, fixed_bytes);
  return copy;
}

std::shared_ptr<ChosenDisc> FakeSystem::OpenDisc(const std::string& path) {
  const auto opened = [&](DiscBootFile boot) {
    ++disc_opens;
    return std::make_shared<ChosenDisc>(ChosenDisc{path, JudgeDisc(std::move(boot)), nullptr, nullptr});
  };
  if (const auto disc = discs.find(path); disc != discs.end()) return opened(disc->second);
  const auto file = files.find(path);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  const MemorySource source({reinterpret_cast<const std::byte*>(file->second.data()), file->second.size()});
  const std::optional<DiscFormat> format = DiscFormatOf(source, path);
  if (!format) return nullptr;
  return opened(BootOfImage(*format, source));
}

std::int64_t FakeSystem::FileLength(const std::string& path) {
  const auto file = files.find(path);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  return static_cast<std::int64_t>(file->second.size());
}

void FakeSystem::MoveOver(const std::string& from, const std::string& to) {
  const auto file = files.find(from);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  WriteFile(to, file->second);
  files.erase(file);
}

void FakeSystem::RemoveFile(const std::string& path) {
  deletions.push_back(path);
  if (files.erase(path) == 0) throw RunTimeError(error::kFileNotFound);
}

bool FakeSystem::ToolPresent(const std::string& path) {
  return std::find(present_tools.begin(), present_tools.end(), path) != present_tools.end();
}

ToolOutcome FakeSystem::RunTool(const ToolRun& run) {
  tool_runs.push_back(run);
  return run_tool(run);
}

void FakeSystem::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  if (settings_fail) throw RunTimeError(error::kPermissionDenied);
  settings.push_back({section, key, value});
}

void FakeSystem::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) {
  if (std::find(failing_shell_extensions.begin(), failing_shell_extensions.end(), extension) !=
      failing_shell_extensions.end()) {
    throw RunTimeError(error::kPermissionDenied);
  }
  shell_verbs.push_back({extension, verb, command});
}

void FakeSystem::RemoveShellVerb(const std::string& extension, const std::string& verb) {
  if (std::find(failing_shell_extensions.begin(), failing_shell_extensions.end(), extension) !=
      failing_shell_extensions.end()) {
    throw RunTimeError(error::kPermissionDenied);
  }
  std::erase_if(shell_verbs, [&](const auto& entry) { return entry.first == extension && entry.second == verb; });
}

}  // namespace quillet::testing
