#include "formats/table_of_contents.h"

#include <array>

#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

struct NamedForm {
  std::string_view mode;
  SectorForm form;
};
constexpr std::array<NamedForm, 16> kModes = {{
    // A cue sheet's
    {"AUDIO", {false, 2352}},
    {"MODE1/2048", {true, 2048}},
    {"MODE1/2352", {true, 2352}},
    {"MODE2/2336", {true, 2336}},
    {"MODE2/2352", {true, 2352}},
    // A CHD's
    {"MODE1", {true, 2048}},
    {"MODE1_RAW", {true, 2352}},
    {"MODE2", {true, 2336}},
    {"MODE2_FORM1", {true, 2048}},
    {"MODE2_FORM_MIX", {true, 2336}},
    {"MODE2_RAW", {true, 2352}},
    // A .gdi's type (0 audio, 4 data) and sector size
    {"0 2352", {false, 2352}},
    {"4 2048", {true, 2048}},
    {"4 2336", {true, 2336}},
    {"4 2352", {true, 2352}},
    {"4 2448", {true, 2448}},
}};

}  // namespace

std::optional<SectorForm> SectorFormOf(std::string_view mode) {
  for (const NamedForm& named : kModes) {
    if (EqualsIgnoringAsciiCase(named.mode, mode)) return named.form;
  }
  return std::nullopt;
}

TrackFiles::TrackFiles(const ByteSource& image, TrackFileOpener opener) : opener_(std::move(opener)), image_(image) {}

const ByteSource& TrackFiles::Open(const std::string& name) {
  if (name.empty()) return image_;
  if (const auto open = files_.find(name); open != files_.end()) return *open->second;
  if (!opener_) RefuseAsInvalid("the image names a file of its own, " + EscapeControls(name) + ", where it holds all");
  try {
    return *files_.emplace(name, opener_(name)).first->second;
  } catch (const RunTimeError& failure) {
    const std::string why = "its track file " + EscapeControls(name) + ": " + RefusalReason(failure);
    if (failure.number() == error::kInvalidArgument) RefuseAsInvalid(why);
    throw RunTimeError(failure.number(), why);
  }
}

std::optional<std::uint64_t> TrackFiles::SizeIfThere(const std::string& name) {
  try {
    return Open(name).size();
  } catch (const RunTimeError&) {
    return std::nullopt;
  }
}

std::optional<std::string> TrackFiles::NameOf(const ByteSource& file) const {
  if (&file == &image_) return "";
  for (const auto& [name, open] : files_) {
    if (open.get() == &file) return name;
  }
  return std::nullopt;
}

void TrackFiles::Add(const std::string& name, std::unique_ptr<ByteSource> file, std::shared_ptr<const void> keep) {
  if (keep) kept_.push_back(std::move(keep));
  files_[name] = std::move(file);
}

}  // namespace quillet
