#pragma once

#include "app/system.h"

namespace quillet {

// The files and tools of the machine the program runs on, from the core's file services and tool
// runner; the front ends add the program's facts and their stores.
class LocalSystem : public System {
 public:
  FileContents ReadImage(const std::string& path) override;
  std::int64_t FileLength(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void MoveOver(const std::string& from, const std::string& to) override;
  void WriteNewFile(const std::string& path, std::span<const std::byte> bytes) override;
  std::shared_ptr<ChosenDisc> OpenDisc(const std::string& path) override;
  std::optional<std::string> FixedCopyName(ChosenDisc& disc) override;
  std::string WriteFixedCopy(ChosenDisc& disc, bool replace) override;
  std::optional<std::string> ImageFileNamedBy(ChosenDisc& disc, const std::string& path) override;
  bool ToolPresent(const std::string& path) override;
  ToolOutcome RunTool(const ToolRun& run) override;
};

}  // namespace quillet
