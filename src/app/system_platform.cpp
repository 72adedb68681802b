#include "app/system_platform.h"

#include "convert/tool_runner.h"
#include "util/file_system.h"

namespace quillet {

ScanImage SystemPlatform::ReadImage(const std::string& path) { return ReadScanImage(path); }

std::int64_t SystemPlatform::FileLength(const std::string& path) { return quillet::FileLength(path); }

bool SystemPlatform::FileExists(const std::string& path) { return quillet::FileExists(path); }

std::optional<FileStamp> SystemPlatform::StampOf(const std::string& path) { return quillet::StampOf(path); }

void SystemPlatform::RemoveFile(const std::string& path) { quillet::RemoveFile(path); }

bool SystemPlatform::ToolPresent(const std::string& path) { return IsPlainFile(path); }

ToolOutcome SystemPlatform::RunTool(const ToolRun& run) { return RunToolAndWait(run); }

}  // namespace quillet
