#include "app/fake_platform.h"

#include <algorithm>
#include <cstring>

#include "support/temp_folder.h"
#include "util/file_system.h"
#include "util/run_time_error.h"

namespace quillet::testing {
namespace {

template <typename T>
std::optional<T> Next(std::deque<T>& queue) {
  if (queue.empty()) return std::nullopt;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

}  // namespace

FakePlatform::FakePlatform() {
  run_tool = [this](const ToolRun& run) {
    WriteFile(run.arguments.back(), "written by " + run.program);
    return ToolOutcome{true, 0, ""};
  };
}

int FakePlatform::ShowMessage(const std::string& text, int type, const std::string& title) {
  messages.push_back({text, type, title});
  return Next(message_answers).value_or(answer::kOk);
}

int FakePlatform::AskRelabelled(const std::string& prompt, int type, const std::string& title,
                                const ButtonSettingTable& buttons) {
  questions.push_back({prompt, type, title, WalkButtons(buttons, 3)});
  return Next(question_answers).value_or(answer::kCancel);
}

std::optional<ChosenFile> FakePlatform::ChooseFile(const OpenFileRequest& request) {
  dialogs.push_back(request);
  return Next(chosen_files).value_or(std::nullopt);
}

ScanImage FakePlatform::ReadImage(const std::string& path) {
  reads.push_back(path);
  if (use_real_files) return ReadScanImage(path);
  const auto file = files.find(path);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  auto bytes = std::make_shared<std::string>(file->second);
  return ScanImage(std::shared_ptr<const std::byte>(bytes, reinterpret_cast<const std::byte*>(bytes->data())),
                   bytes->size());
}

std::int64_t FakePlatform::FileLength(const std::string& path) {
  if (use_real_files) return quillet::FileLength(path);
  const auto file = files.find(path);
  if (file == files.end()) throw RunTimeError(error::kFileNotFound);
  return static_cast<std::int64_t>(file->second.size());
}

bool FakePlatform::FileExists(const std::string& path) {
  if (use_real_files) return quillet::FileExists(path);
  return files.contains(path);
}

std::optional<FileStamp> FakePlatform::StampOf(const std::string& path) {
  if (use_real_files) return quillet::StampOf(path);
  const auto file = files.find(path);
  if (file == files.end()) return std::nullopt;
  return FileStamp{0, writes[path], static_cast<std::int64_t>(file->second.size()), 0};
}

void FakePlatform::WriteFile(const std::string& path, const std::string& bytes) {
  static std::uint64_t clock = 0;
  files[path] = bytes;
  writes[path] = ++clock;
}

void FakePlatform::RemoveFile(const std::string& path) {
  deletions.push_back(path);
  if (use_real_files) return quillet::RemoveFile(path);
  if (files.erase(path) == 0) throw RunTimeError(error::kFileNotFound);
}

std::string FakePlatform::ToolPath(Tool tool) {
  const bool windows = style == PathStyle::Windows;
  const char* name = tool == Tool::Dcscram ? "dcscram" : "sh-elf-objcopy";
  return executable_folder + (windows ? "\\tools\\" : "/tools/") + name + (windows ? ".exe" : "");
}

bool FakePlatform::ToolPresent(const std::string& path) {
  return std::find(present_tools.begin(), present_tools.end(), path) != present_tools.end();
}

ToolOutcome FakePlatform::RunTool(const ToolRun& run) {
  tool_runs.push_back(run);
  return run_tool(run);
}

void FakePlatform::WriteSetting(const std::string& section, const std::string& key, const std::string& value) {
  if (settings_fail) throw RunTimeError(error::kPermissionDenied);
  settings.push_back({section, key, value});
}

void FakePlatform::WriteShellVerb(const std::string& extension, const std::string& verb, const std::string& command) {
  if (std::find(failing_shell_extensions.begin(), failing_shell_extensions.end(), extension) !=
      failing_shell_extensions.end()) {
    throw RunTimeError(error::kPermissionDenied);
  }
  shell_verbs.push_back({extension, verb, command});
}

void FakePlatform::EndAtOnce() {
  ended = true;
  throw ProgramEnded{};
}

}  // namespace quillet::testing
