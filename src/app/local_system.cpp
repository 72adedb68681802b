#include "app/local_system.h"

#include <memory>
#include <utility>

#include "core/disc_file.h"
#include "core/fixed_image.h"
#include "sys/file_system.h"
#include "sys/replacement_file.h"
#include "sys/tool_runner.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"

namespace quillet {

FileContents LocalSystem::ReadImage(const std::string& path) { return ReadWholeFile(path); }

std::int64_t LocalSystem::FileLength(const std::string& path) { return quillet::FileLength(path); }

bool LocalSystem::FileExists(const std::string& path) { return quillet::FileExists(path); }

void LocalSystem::RemoveFile(const std::string& path) { quillet::RemoveFile(path); }

void LocalSystem::MoveOver(const std::string& from, const std::string& to) { quillet::MoveOver(from, to); }

void LocalSystem::WriteNewFile(const std::string& path, std::span<const std::byte> bytes) {
  ReplacementFile file(path);
  file.Write(bytes);
  file.Commit();
}

namespace {

// The fix of `disc`, planned from its files open already, once.
const ImageFix& PlannedFix(ChosenDisc& disc) {
  if (!disc.fix) disc.fix = AsRunTimeError([&] { return std::make_shared<const ImageFix>(disc.opened, FixRequest{}); });
  return *disc.fix;
}

}  // namespace

std::shared_ptr<ChosenDisc> LocalSystem::OpenDisc(const std::string& path) {
  std::shared_ptr<OpenedDisc> opened = OpenedDisc::Open(path);
  if (!opened) return nullptr;
  return AsRunTimeError([&] {
    JudgedDisc judged = JudgeDisc(BootOfContents(opened->Contents(), opened->files()));
    return std::make_shared<ChosenDisc>(ChosenDisc{path, std::move(judged), std::move(opened), nullptr});
  });
}

std::optional<std::string> LocalSystem::FixedCopyName(ChosenDisc& disc) {
  const ImageFix& image = PlannedFix(disc);
  if (image.fix().outcome != FixOutcome::Mended) return std::nullopt;
  const std::string title(FileTitle(disc.path, NativePathStyle()));
  const bool folder = image.Targets().size() > 1;
  return FixedImageName(title, !folder);
}

std::string LocalSystem::WriteFixedCopy(ChosenDisc& disc, bool replace) {
  const ImageFix& image = PlannedFix(disc);
  if (image.fix().outcome != FixOutcome::Mended) RefuseAsInvalid(image.fix().sentence);
  return image.Write({}, replace).path;
}

std::optional<std::string> LocalSystem::ImageFileNamedBy(ChosenDisc& disc, const std::string& path) {
  try {
    return disc.opened->FileNamedBy(path);
  } catch (const RunTimeError&) {
    return std::nullopt;
  }
}

bool LocalSystem::ToolPresent(const std::string& path) { return IsPlainFile(path); }

ToolOutcome LocalSystem::RunTool(const ToolRun& run) { return RunToolAndWait(run); }

}  // namespace quillet
