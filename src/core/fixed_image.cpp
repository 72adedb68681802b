#include "core/fixed_image.h"

#include <algorithm>
#include <set>
#include <span>
#include <string_view>
#include <utility>

#include "core/disc_file.h"
#include "formats/cue.h"
#include "formats/disc_formats.h"
#include "formats/disc_geometry.h"
#include "sys/file_system.h"
#include "sys/result_writer.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {

// A file of the fixed image: its name in the set's folder ("" for a single image), what it is made
// of, and its changes.
struct ImageFix::FixedFile {
  std::string name;
  std::string source;                  // the file of the image it copies, and whose mode it takes (as
                                       // TrackFiles names it: "" the image),
  const ByteSource* stream = nullptr;  // or what its first `length` bytes are read from (a CHD's track),
  std::uint64_t length = 0;
  std::string text;                      // or its text (a sheet written anew)
  const FilePatches* patches = nullptr;  // none where it is copied as it is
};

// Where the fixed copy goes: one file, or a set's folder with the sheet first among its files.
struct ImageFix::Plan {
  std::string target;
  ResultWriter::Shape shape = ResultWriter::Shape::File;
  DiscFormat format = DiscFormat::Cdi;  // what the copy is read back as
  std::vector<FixedFile> files;
};

namespace {

const FilePatches* PatchesOf(const DiscFix& fix, const std::string& file) {
  const auto found = std::find_if(fix.files.begin(), fix.files.end(),
                                  [&](const FilePatches& patches) { return patches.file == file; });
  return found == fix.files.end() ? nullptr : &*found;
}

// Whether `name`, a track file's name as a sheet gives it, stays inside the sheet's folder: no
// folder above it, no root, no drive.
bool StaysInside(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.front() == '\\' || name.find(':') != std::string_view::npos) {
    return false;
  }
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t end = std::min(name.find_first_of("/\\", start), name.size());
    if (name.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

namespace {

std::unique_ptr<OpenedDisc> Opened(const std::string& path) {
  std::unique_ptr<OpenedDisc> disc = OpenedDisc::Open(path);
  if (!disc) RefuseAsInvalid("it is no disc image; quillet fix mends " + FormatsReadWords());
  return disc;
}

}  // namespace

ImageFix::ImageFix(const std::string& path, const FixRequest& request, const BootCodes& codes)
    : ImageFix(Opened(path), request, codes) {}

ImageFix::ImageFix(std::shared_ptr<OpenedDisc> disc, const FixRequest& request, const BootCodes& codes)
    : disc_(std::move(disc)), path_(disc_->path()), files_(&disc_->files()), toc_(disc_->Contents()) {
  fix_ = PlanFix(toc_, *files_, request, codes);
}

const ReadOnlyFile& ImageFix::SourceFile(const std::string& name) const {
  // Every file of an image on disk is a FileSource, opened once for the plan and the copy both.
  return dynamic_cast<const FileSource&>(files_->Open(name)).file();
}

ImageFix::~ImageFix() = default;

// The fixed disc of a CHD as a cue sheet and a file a track, Redump's way: the sheet NAME.cue in
// NAME_fixed/ beside it, or at `output`. A CHD keeps no sessions: the track that began a CD-R's
// second session, as its IP.BIN and file system prove, is put in a second session again.
ImageFix::Plan ImageFix::ChdAsCue(const std::optional<std::string>& output) const {
  const PathStyle style = NativePathStyle();
  const std::string name = FixedImageName(FileTitle(path_, style), false);
  const std::string title = name.substr(0, name.size() - std::string_view("_fixed").size());
  const std::string folder =
      output ? ContainingFolder(*output, style).value_or(".") : PathIn(ContainingFolder(path_, style), name, style);
  const std::string sheet = output ? std::string(FileTitle(*output, style)) : title + ".cue";
  const std::string track_title(sheet.substr(0, sheet.rfind('.')));
  Plan plan{folder, ResultWriter::Shape::Set, RowOf(toc_.format).fixed_as, {}};
  plan.files.push_back(
      {sheet, "", nullptr, 0, RedumpCueSheet(toc_, *files_, track_title, fix_.disc.layout.lost_session), nullptr});
  for (const TocTrack& track : toc_.tracks) {
    plan.files.push_back({RedumpTrackFile(track_title, track.number, toc_.tracks.size()), "", &files_->Open(track.file),
                          std::uint64_t{track.sectors} * track.sector_size, "", PatchesOf(fix_, track.file)});
  }
  return plan;
}

// A CDI or ISO image: one file, beside it or at `output`; a .gdi or cue sheet: the sheet and every
// track file it names, in NAME_fixed/ beside it or in `output`'s folder, under their own names.
ImageFix::Plan ImageFix::Files(const std::optional<std::string>& output) const {
  if (RowOf(toc_.format).fixed_as != toc_.format) return ChdAsCue(output);
  const PathStyle style = NativePathStyle();
  const std::string_view title = FileTitle(path_, style);
  const std::optional<std::string> folder = ContainingFolder(path_, style);
  if (!RowOf(toc_.format).set_of_files) {
    return {output ? *output : PathIn(folder, FixedImageName(title, true), style),
            ResultWriter::Shape::File,
            toc_.format,
            {{"", "", nullptr, 0, "", PatchesOf(fix_, "")}}};
  }
  Plan plan{
      output ? ContainingFolder(*output, style).value_or(".") : PathIn(folder, FixedImageName(title, false), style),
      ResultWriter::Shape::Set,
      toc_.format,
      {}};
  plan.files.push_back(
      {output ? std::string(FileTitle(*output, style)) : std::string(title), "", nullptr, 0, "", PatchesOf(fix_, "")});
  std::set<std::string> named;
  for (const TocTrack& track : toc_.tracks) {
    if (track.file.empty() || !named.insert(track.file).second) continue;
    if (!track.data && !FileExists(TrackFilePath(path_, track.file))) continue;  // a dump left out an audio track
    if (!StaysInside(track.file)) {
      RefuseAsInvalid("the sheet names the track file " + EscapeControls(track.file) +
                      " outside its own folder, which a fixed set, a folder of its own, cannot hold");
    }
    plan.files.push_back({track.file, track.file, nullptr, 0, "", PatchesOf(fix_, track.file)});
  }
  return plan;
}

std::vector<std::string> ImageFix::Targets(const std::optional<std::string>& output) const {
  const Plan plan = Files(output);
  std::vector<std::string> targets;
  for (const FixedFile& file : plan.files) {
    targets.push_back(plan.shape == ResultWriter::Shape::File
                          ? plan.target
                          : TrackFilePath(PathIn(plan.target, "sheet", NativePathStyle()), file.name));
  }
  return targets;
}

std::string ImageFix::Destination(const std::optional<std::string>& output) const { return Files(output).target; }

FixedCopy ImageFix::Write(const std::optional<std::string>& output, bool replace) const {
  const Plan plan = Files(output);
  const std::vector<std::string> targets = Targets(output);
  for (const std::string& target : targets) {
    if (const std::optional<std::string> original = disc_->FileNamedBy(target)) {
      throw RunTimeError(error::kPathFileAccessError, NeverWrittenOver(target, *original, path_));
    }
  }
  if (output) {
    const std::optional<DiscFormat> named = DiscFormatOfName(FileTitle(*output, NativePathStyle()));
    if (named && *named != plan.format) {
      RefuseAsInvalid(ShownPath(*output) + " names " + std::string(RowOf(*named).image_words) +
                      ", but the fixed copy is " + std::string(RowOf(plan.format).image_words) + ": name it ." +
                      std::string(RowOf(plan.format).extension));
    }
  }
  std::vector<std::string> names;
  for (const FixedFile& file : plan.files) names.push_back(file.name);
  ResultWriter writer = plan.shape == ResultWriter::Shape::File ? ResultWriter(plan.target, replace)
                                                                : ResultWriter(plan.target, names, replace);
  for (const FixedFile& file : plan.files) {
    ReplacementFile& written = writer.Begin(file.name);
    const ReadOnlyFile& source = SourceFile(file.source);
    if (file.stream) {
      // A failure to read the image is its own; only the writes are the copy's.
      std::vector<std::byte> block(std::size_t{4} << 20);
      for (std::uint64_t done = 0; done < file.length; done += block.size()) {
        block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), file.length - done)));
        file.stream->Read(done, block);
        if (file.patches) ApplyPatches(block, done, *file.patches);
        writer.Writing(file.name, [&] { written.Write(block); });
      }
    } else if (!file.text.empty()) {
      writer.Writing(file.name, [&] { written.Write(std::as_bytes(std::span(file.text))); });
    } else {
      writer.Writing(file.name, [&] {
        written.CopyFrom(source);
        if (file.patches) {
          for (const SectorPatch& sector : file.patches->sectors) written.WriteAt(sector.offset, sector.bytes);
        }
      });
    }
    writer.Writing(file.name, [&] { written.TakeModeOf(source); });
  }
  writer.Close();
  FixedCopy copy{targets.front(), {}};
  {
    // Every file read back is closed again before the copy takes its place, which Windows asks.
    const std::string sheet = writer.WrittenPath(plan.files.front().name);
    try {
      const FileSource written(sheet);
      TrackFiles files(written, TrackFilesBeside(sheet));
      copy.disc = ReadBack(fix_, RowOf(plan.format).contents(files), files);
    } catch (const RunTimeError& failure) {
      RefuseAsInvalid("the copy " + ShownPath(copy.path) + " did not read back as the fixed disc (" +
                      RefusalReason(failure) + "), so it was not kept");
    }
  }
  writer.Commit();
  return copy;
}

}  // namespace quillet
