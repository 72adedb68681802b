#include "cli/fix_command.h"

#include <algorithm>
#include <memory>
#include <set>
#include <span>
#include <string_view>
#include <utility>

#include "cli/disc_input.h"
#include "cli/quillet_command.h"
#include "cli/run_files.h"
#include "disc/boot_report.h"
#include "disc/cue.h"
#include "disc/disc_file.h"
#include "disc/disc_fix.h"
#include "disc/disc_formats.h"
#include "disc/disc_geometry.h"
#include "disc/file_source.h"
#include "inspect/judgement.h"
#include "util/file_system.h"
#include "util/interrupt_cleanup.h"
#include "util/path_rules.h"
#include "util/replacement_file.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// "dk.cdi" as "dk_fixed.cdi"; "disc.gdi", whose set goes into a folder, as "disc_fixed".
std::string FixedTitle(std::string_view title, bool keep_extension) {
  const std::size_t dot = title.rfind('.');
  const std::string_view stem = dot == std::string_view::npos || dot == 0 ? title : title.substr(0, dot);
  return std::string(stem) + "_fixed" + (keep_extension ? std::string(title.substr(stem.size())) : "");
}

// A file of the fixed image: where it goes, what it is made of, and its changes.
struct FixedFile {
  std::string target;
  std::string source;                  // the file of the image it copies,
  const DiscSource* stream = nullptr;  // or what its first `length` bytes are read from (a CHD's track),
  std::uint64_t length = 0;
  std::string text;                      // or its text (a sheet written anew)
  const FilePatches* patches = nullptr;  // none where it is copied as it is
};

const FilePatches* PatchesOf(const DiscFix& fix, const std::string& file) {
  const auto found = std::find_if(fix.files.begin(), fix.files.end(),
                                  [&](const FilePatches& patches) { return patches.file == file; });
  return found == fix.files.end() ? nullptr : &*found;
}

// The fixed disc of the CHD at `path` as a cue sheet and a file a track, Redump's way: the sheet
// NAME.cue in NAME_fixed/ beside it, or at `output`. A CD-R's boot track whose file system was made
// to begin a first session's gap after where the CHD puts it (a CHD keeps no sessions) is put in a
// second session, where it was made to lie.
std::vector<FixedFile> ChdAsCue(const std::string& path, const TableOfContents& toc, TrackFiles& files,
                                const DiscFix& fix, const std::optional<std::string>& output) {
  const PathStyle style = NativePathStyle();
  const std::string name = FixedTitle(FileTitle(path, style), false);
  const std::string title = name.substr(0, name.size() - std::string_view("_fixed").size());
  const std::string sheet =
      output ? *output : PathIn(PathIn(ContainingFolder(path, style), name, style), title + ".cue", style);
  const std::string track_title(FileTitle(sheet, style).substr(0, FileTitle(sheet, style).rfind('.')));
  const DiscLayout& layout = fix.disc.layout;
  const bool second_session = !toc.gd_rom && layout.file_system_lba == layout.boot_track_lba + kFirstSessionGap;
  std::vector<FixedFile> fixed{
      {sheet, "", nullptr, 0, RedumpCueSheet(toc, files, track_title, second_session ? fix.disc.track : 0), nullptr}};
  for (const TocTrack& track : toc.tracks) {
    fixed.push_back({TrackFilePath(sheet, RedumpTrackFile(track_title, track.number, toc.tracks.size())), "",
                     &files.Open(track.file), std::uint64_t{track.sectors} * track.sector_size, "",
                     PatchesOf(fix, track.file)});
  }
  return fixed;
}

// The files of the fixed image of `path`, a CDI or ISO image: one, beside it or at `output`; of a
// .gdi or cue sheet: the sheet and every track file it names, in NAME_fixed/ beside it or beside
// `output`, under their own names.
std::vector<FixedFile> FixedFiles(const std::string& path, const TableOfContents& toc, const DiscFix& fix,
                                  const std::optional<std::string>& output) {
  const PathStyle style = NativePathStyle();
  const std::string_view title = FileTitle(path, style);
  const bool set = toc.format == DiscFormat::Gdi || toc.format == DiscFormat::Cue;
  const std::optional<std::string> folder = ContainingFolder(path, style);
  const std::string image = output ? *output
                            : set  ? PathIn(PathIn(folder, FixedTitle(title, false), style), title, style)
                                   : PathIn(folder, FixedTitle(title, true), style);
  std::vector<FixedFile> files{{image, path, nullptr, 0, "", PatchesOf(fix, "")}};
  std::set<std::string> named;
  for (const TocTrack& track : toc.tracks) {
    if (track.file.empty() || !named.insert(track.file).second) continue;
    const std::string source = TrackFilePath(path, track.file);
    if (!track.data && !FileExists(source)) continue;  // an audio track a dump left out stays out
    files.push_back({TrackFilePath(image, track.file), source, nullptr, 0, "", PatchesOf(fix, track.file)});
  }
  return files;
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
void Stream(const DiscSource& source, std::uint64_t length, const FilePatches* patches, ReplacementFile& file) {
  std::vector<std::byte> block(std::size_t{4} << 20);
  for (std::uint64_t done = 0; done < length; done += block.size()) {
    block.resize(static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), length - done)));
    source.Read(done, block);
    if (patches) ApplyPatches(block, done, *patches);
    file.Write(block);
  }
}

// Writes the fixed files whole or not at all: each into a temporary file, all of them replacing
// their targets only once every one is written. Folders made for them go again on a failure.
void WriteFixedFiles(const std::vector<FixedFile>& files) {
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

// The boot report's summary of the image at `path`, as quillet check ends.
std::string SummaryOf(const std::string& path, const BootCodes& codes) {
  const DiscBootFile disc = *SayingReasonAlone([&] { return DiscBootAt(path); });
  const Form form = JudgeImage(disc.boot.bytes).form;
  return BootSummary(disc, CheckBoot(disc, form, codes), codes);
}

// Fixes one image; returns the lines that say what became of it.
std::string Fix(const std::string& path, const FixOptions& options, RunFiles& run) {
  const FileSource image(path);
  const std::optional<DiscFormat> format = SayingReasonAlone([&] { return DiscFormatOf(image, path); });
  if (!format) {
    RefuseAsInvalid("it is no disc image; quillet fix mends " + FormatsReadWords());
  }
  TrackFiles files(image, TrackFilesBeside(path));
  const TableOfContents toc = SayingReasonAlone([&] { return RowOf(*format).contents(files); });
  const DiscFix fix = SayingReasonAlone([&] { return PlanFix(toc, files, {options.area_symbols}, options.codes); });
  if (fix.outcome == FixOutcome::AlreadyBoots) {
    return ShownPath(path) + ": nothing to fix (" + fix.sentence + "); nothing written";
  }
  if (fix.outcome == FixOutcome::Refused) {
    RefuseAsInvalid("not fixed, as that would take a guess: " + fix.sentence + "; nothing written");
  }
  const bool chd = *format == DiscFormat::Chd;
  const std::vector<FixedFile> fixed =
      chd ? ChdAsCue(path, toc, files, fix, options.output) : FixedFiles(path, toc, fix, options.output);
  for (const FixedFile& file : fixed) run.RequireFree(path, file.target, options.output.has_value());
  WriteFixedFiles(fixed);
  for (const FixedFile& file : fixed) run.Written(path, file.target);
  const std::string& result = fixed.front().target;
  // A CHD is read-only: its fixed disc is a cue sheet, of which chdman makes a CHD again.
  const std::string chd_again = chd ? "; chdman createcd makes a CHD of it from that sheet" : "";
  return ShownPath(path) + ": wrote " + ShownPath(result) + " (" + fix.sentence + ")" + chd_again + "\n" +
         ShownPath(result) + ": " + SummaryOf(result, options.codes);
}

}  // namespace

int RunFix(const std::vector<std::string>& paths, const FixOptions& options, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  RunFiles run(paths);
  for (const std::string& path : paths) {
    try {
      out << AsRunTimeError([&] { return Fix(path, options, run); }) << std::endl;
    } catch (const RunTimeError& failure) {
      err << "quillet: " << ShownPath(path) << ": " << RefusalReason(failure) << std::endl;
      status = kExitSomeFailed;
    }
  }
  return status;
}

}  // namespace quillet
