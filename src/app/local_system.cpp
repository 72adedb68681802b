#include "app/local_system.h"

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

std::optional<DiscBootFile> LocalSystem::ReadDiscBoot(const std::string& path) { return DiscBootAt(path); }

std::optional<std::string> LocalSystem::FixedCopyName(const std::string& path) {
  const ImageFix image(path, {});
  if (image.fix().outcome != FixOutcome::Mended) return std::nullopt;
  const std::string title(FileTitle(path, NativePathStyle()));
  const bool folder = image.Targets().size() > 1;
  return FixedImageName(title, !folder);
}

std::string LocalSystem::WriteFixedCopy(const std::string& path, bool replace) {
  const ImageFix image(path, {});
  if (image.fix().outcome != FixOutcome::Mended) RefuseAsInvalid(image.fix().sentence);
  return image.Write({}, replace).path;
}

std::optional<std::string> LocalSystem::ImageFileNamedBy(const std::string& image, const std::string& path) {
  return quillet::ImageFileNamedBy(image, path);
}

bool LocalSystem::ToolPresent(const std::string& path) { return IsPlainFile(path); }

ToolOutcome LocalSystem::RunTool(const ToolRun& run) { return RunToolAndWait(run); }

}  // namespace quillet
