#include "disc/fixed_image.h"

#include <algorithm>
#include <set>
#include <span>
#include <string_view>
#include <utility>

#include "disc/cue.h"
#include "disc/disc_file.h"
#include "disc/disc_formats.h"
#include "disc/disc_geometry.h"
#include "util/file_system.h"
#include "util/interrupt_cleanup.h"
#include "util/path_rules.h"
#include "util/replacement_file.h"
#include "util/run_time_error.h"

namespace quillet {

// A file of the fixed image: where it goes, what it is made of, and its changes.
struct ImageFix::FixedFile {
  std::string target;
  std::string source;                  // the file of the image it copies,
  const ByteSource* stream = nullptr;  // or what its first `length` bytes are read from (a CHD's track),
  std::uint64_t length = 0;
  std::string text;                      // or its text (a sheet written anew)
  const FilePatches* patches = nullptr;  // none where it is copied as it is
};

namespace {

const FilePatches* PatchesOf(const DiscFix& fix, const std::string& file) {
  const auto found = std::find_if(fix.files.begin(), fix.files.end(),
                                  [&](const FilePatches& patches) { return patches.file == file; });
  return found == fix.files.end() ? nullptr : &*found;
}

// Makes the folders `file` goes in that are not there, the outermost first; returns those it made.
std::vector<std::string> MakeFoldersFor(const std::string& file) {
  const PathStyle style = NativePathStyle();
  std::vector<std::string> missing;
  for (std::optional<std::string> folder = ContainingFolder(file, style);
       folder && !folder->empty() && !FileExists(*folder); folder = ContainingFolder(*folder, style)) {
    missing.push_back(*folder);
  }
  std::vector<std::string> made;
  for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
    RemoveOnInterrupt(*folder);
    if (MakeFolder(*folder)) {
      made.push_back(*folder);
    } else {
      ForgetOnInterrupt(*folder);
    }
  }
  return made;
}

// Writes the first `length` bytes of `source` into `file`, a block at a time, with `patches` written
// over them.
void Stream(const ByteSource& source, std::uint64_t length, const FilePatches* patches, ReplacementFile& file) {
  std::vector<std::byte> block(std::size_t{4} << 20);
  for (std::uint64_t done = 0; done < length; done += block.size()) {
    block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), length - done)));
    source.Read(done, block);
    if (patches) ApplyPatches(block, done, *patches);
    file.Write(block);
  }
}

}  // namespace

ImageFix::ImageFix(const std::string& path, const FixRequest& request, const BootCodes& codes)
    : path_(path), image_(path) {
  const std::optional<DiscFormat> format = DiscFormatOf(image_, path);
  if (!format) RefuseAsInvalid("it is no disc image; quillet fix mends " + FormatsReadWords());
  files_ = std::make_unique<TrackFiles>(image_, TrackFilesBeside(path));
  toc_ = RowOf(*format).contents(*files_);
  fix_ = PlanFix(toc_, *files_, request, codes);
}

ImageFix::~ImageFix() = default;

// The fixed disc of a CHD as a cue sheet and a file a track, Redump's way: the sheet NAME.cue in
// NAME_fixed/ beside it, or at `output`. A CD-R's boot track whose file system was made to begin a
// first session's gap after where the CHD puts it (a CHD keeps no sessions) is put in a second
// session, where it was made to lie.
std::vector<ImageFix::FixedFile> ImageFix::ChdAsCue(const std::optional<std::string>& output) const {
  const PathStyle style = NativePathStyle();
  const std::string name = FixedImageName(FileTitle(path_, style), false);
  const std::string title = name.substr(0, name.size() - std::string_view("_fixed").size());
  const std::string sheet =
      output ? *output : PathIn(PathIn(ContainingFolder(path_, style), name, style), title + ".cue", style);
  const std::string track_title(FileTitle(sheet, style).substr(0, FileTitle(sheet, style).rfind('.')));
  const DiscLayout& layout = fix_.disc.layout;
  const bool second_session = !toc_.gd_rom && layout.file_system_lba == layout.boot_track_lba + kFirstSessionGap;
  std::vector<FixedFile> fixed{{sheet, "", nullptr, 0,
                                RedumpCueSheet(toc_, *files_, track_title, second_session ? fix_.disc.track : 0),
                                nullptr}};
  for (const TocTrack& track : toc_.tracks) {
    fixed.push_back({TrackFilePath(sheet, RedumpTrackFile(track_title, track.number, toc_.tracks.size())), "",
                     &files_->Open(track.file), std::uint64_t{track.sectors} * track.sector_size, "",
                     PatchesOf(fix_, track.file)});
  }
  return fixed;
}

// A CDI or ISO image: one file, beside it or at `output`; a .gdi or cue sheet: the sheet and every
// track file it names, in NAME_fixed/ beside it or beside `output`, under their own names.
std::vector<ImageFix::FixedFile> ImageFix::Files(const std::optional<std::string>& output) const {
  if (toc_.format == DiscFormat::Chd) return ChdAsCue(output);
  const PathStyle style = NativePathStyle();
  const std::string_view title = FileTitle(path_, style);
  const bool set = toc_.format == DiscFormat::Gdi || toc_.format == DiscFormat::Cue;
  const std::optional<std::string> folder = ContainingFolder(path_, style);
  const std::string image = output ? *output
                            : set  ? PathIn(PathIn(folder, FixedImageName(title, false), style), title, style)
                                   : PathIn(folder, FixedImageName(title, true), style);
  std::vector<FixedFile> files{{image, path_, nullptr, 0, "", PatchesOf(fix_, "")}};
  std::set<std::string> named;
  for (const TocTrack& track : toc_.tracks) {
    if (track.file.empty() || !named.insert(track.file).second) continue;
    const std::string source = TrackFilePath(path_, track.file);
    if (!track.data && !FileExists(source)) continue;  // an audio track a dump left out stays out
    files.push_back({TrackFilePath(image, track.file), source, nullptr, 0, "", PatchesOf(fix_, track.file)});
  }
  return files;
}

std::vector<std::string> ImageFix::Targets(const std::optional<std::string>& output) const {
  std::vector<std::string> targets;
  for (const FixedFile& file : Files(output)) targets.push_back(file.target);
  return targets;
}

void ImageFix::Write(const std::optional<std::string>& output) const {
  const std::vector<FixedFile> files = Files(output);
  for (const FixedFile& file : files) {
    if (const std::optional<std::string> original = ImageFileNamedBy(path_, file.target)) {
      throw RunTimeError(error::kPathFileAccessError, NeverWrittenOver(file.target, *original, path_));
    }
  }
  std::vector<std::string> made;
  try {
    std::vector<std::unique_ptr<ReplacementFile>> written;
    for (const FixedFile& file : files) {
      for (std::string& folder : MakeFoldersFor(file.target)) made.push_back(std::move(folder));
      auto replacement = std::make_unique<ReplacementFile>(file.target);
      if (file.stream) {
        Stream(*file.stream, file.length, file.patches, *replacement);
      } else if (file.source.empty()) {
        replacement->Write(std::as_bytes(std::span(file.text)));
      } else {
        replacement->CopyFrom(ReadOnlyFile(file.source));
        if (file.patches) {
          for (const SectorPatch& sector : file.patches->sectors) replacement->WriteAt(sector.offset, sector.bytes);
        }
      }
      written.push_back(std::move(replacement));
    }
    for (const std::unique_ptr<ReplacementFile>& file : written) file->Commit();
  } catch (const RunTimeError&) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
      try {
        RemoveFolder(*folder);
      } catch (const RunTimeError&) {
        // A folder something else put a file in stays.
      }
    }
    for (const std::string& folder : made) ForgetOnInterrupt(folder);
    throw;
  }
  for (const std::string& folder : made) ForgetOnInterrupt(folder);
}

}  // namespace quillet
