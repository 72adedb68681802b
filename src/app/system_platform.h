#pragma once

#include "app/platform.h"

namespace quillet {

// The verbs every real platform answers the same way, from the core's file services and tool
// runner; the front ends add their windows, dialogs and stores.
class SystemPlatform : public Platform {
 public:
  ScanImage ReadImage(const std::string& path) override;
  std::int64_t FileLength(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  bool ToolPresent(const std::string& path) override;
  ToolOutcome RunTool(const ToolRun& run) override;
};

}  // namespace quillet
