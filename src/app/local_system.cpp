#include "app/local_system.h"

#include "util/file_system.h"
#include "util/replacement_file.h"
#include "util/tool_runner.h"

namespace quillet {

ScanImage LocalSystem::ReadImage(const std::string& path) { return ReadScanImage(path); }

std::int64_t LocalSystem::FileLength(const std::string& path) { return quillet::FileLength(path); }

bool LocalSystem::FileExists(const std::string& path) { return quillet::FileExists(path); }

void LocalSystem::RemoveFile(const std::string& path) { quillet::RemoveFile(path); }

void LocalSystem::MoveOver(const std::string& from, const std::string& to) { quillet::MoveOver(from, to); }

bool LocalSystem::ToolPresent(const std::string& path) { return IsPlainFile(path); }

ToolOutcome LocalSystem::RunTool(const ToolRun& run) { return RunToolAndWait(run); }

}  // namespace quillet
