#include "cli/commands.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "cli/quillet_command.h"
#include "disc/boot_file.h"
#include "disc/gdi.h"
#include "inspect/file_kind.h"
#include "inspect/judgement.h"
#include "inspect/scan_image.h"
#include "util/file_system.h"
#include "util/json_text.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

// A disc image's boot file, which is what is judged.
struct DiscReport {
  std::string format;  // "iso" or "gdi"
  int track = 1;
  BootFile boot;
};

// What became of one file.
struct FileReport {
  std::string path;
  bool elf = false;  // known by its first bytes, and not judged
  std::optional<DiscReport> disc;
  Judgement judgement;
  std::int64_t size = 0;
  std::string error;  // empty when the file was judged
};

// The boot file of the disc a .gdi file describes: its boot track, in the file beside it.
DiscReport GdiDisc(const std::string& path) {
  constexpr std::int64_t kLongestTable = 64 * 1024;  // a few lines a track
  if (FileLength(path) > kLongestTable) RefuseAsInvalid("the .gdi file is too long to be a table of tracks");
  const FileContents table = ReadWholeFile(path);
  const std::vector<GdiTrack> tracks =
      ParseGdi(std::string_view(reinterpret_cast<const char*>(table.bytes().data()), table.size()));
  const std::optional<GdiTrack> boot_track = GdiBootTrack(tracks);
  if (!boot_track) RefuseAsInvalid("the .gdi file lists no data track at LBA 45000 or after, where a GD-ROM boots");
  const PathStyle style = NativePathStyle();
  const ScanImage track = MapScanImage(PathIn(ContainingFolder(path, style), boot_track->file, style));
  DiscReport disc{"gdi", boot_track->number,
                  BootFileOfTrack(Track(track.bytes(), boot_track->sector_size, boot_track->lba))};
  track.RequireWhole();
  return disc;
}

std::string FormWord(const FileReport& report) {
  return report.elf ? "elf" : std::string(FormText(report.judgement.form));
}

FileReport Examine(const std::string& path, bool json) {
  FileReport report;
  report.path = path;
  try {
    if (IsIpBinTitle(FileTitle(path, NativePathStyle()))) {
      report.error = kIpBinRefusal;
      return report;
    }
    const Evidence evidence = json ? Evidence::Full : Evidence::FormOnly;
    if (EqualsIgnoringAsciiCase(path.substr(path.size() - std::min<std::size_t>(path.size(), 4)), ".gdi")) {
      report.disc = GdiDisc(path);
    } else {
      const ScanImage image = MapScanImage(path);
      if (IsIsoImage(image.bytes())) {
        report.disc = DiscReport{"iso", 1, BootFileOfIso(image.bytes())};
      } else {
        report.elf = IsElfImage(image.bytes());
        if (!report.elf) report.judgement = JudgeImage(image.bytes(), evidence);
        report.size = static_cast<std::int64_t>(image.size());
      }
      image.RequireWhole();
    }
    if (report.disc) {
      report.judgement = JudgeImage(report.disc->boot.bytes, evidence);
      report.size = static_cast<std::int64_t>(report.disc->boot.bytes.size());
    }
    if (!report.elf && report.judgement.form == Form::BootSector) report.error = kIpBinRefusal;
  } catch (const RunTimeError& failure) {
    report.error = failure.description();
  }
  return report;
}

void WriteJson(const FileReport& report, std::ostream& out) {
  out << "  {\"path\": " << JsonString(report.path);
  if (!report.error.empty()) {
    out << ", \"error\": " << JsonString(report.error) << "}";
    return;
  }
  out << ", \"form\": \"" << FormWord(report) << "\"";
  if (report.elf) {
    out << ", \"verdict\": \"ELF\", \"size\": " << report.size << "}";
    return;
  }
  const Judgement& judgement = report.judgement;
  out << ", \"verdict\": \"" << VerdictText(judgement.verdict) << "\"";
  if (judgement.layout) out << ", \"layout\": \"" << LayoutText(*judgement.layout) << "\"";
  out << ", \"size\": " << report.size << ", \"matches\": [";
  const char* separator = "";
  for (const SignatureMatch& match : judgement.matches) {
    out << separator << "{\"pattern\": \"" << match.letter << "\", \"offset\": " << match.offset << "}";
    separator = ", ";
  }
  out << "]";
  if (const std::optional<DiscReport>& disc = report.disc) {
    out << ", \"image\": {\"format\": \"" << disc->format
        << "\", \"boot_file\": " << JsonString(disc->boot.header.boot_file) << ", \"size\": " << disc->boot.bytes.size()
        << ", \"track\": " << disc->track << ", \"lba\": " << disc->boot.lba
        << ", \"title\": " << JsonString(disc->boot.header.title)
        << ", \"product_number\": " << JsonString(disc->boot.header.product_number) << "}";
  }
  out << "}";
}

}  // namespace

int RunScan(const std::vector<std::string>& paths, bool json, std::ostream& out, std::ostream& err) {
  int status = kExitAllDone;
  if (json) out << "[\n";
  for (std::size_t index = 0; index < paths.size(); ++index) {
    const FileReport report = Examine(paths[index], json);
    if (!report.error.empty()) {
      err << "quillet: " << report.path << ": " << report.error << "\n";
      status = kExitSomeFailed;
    }
    if (json) {
      WriteJson(report, out);
      out << (index + 1 < paths.size() ? ",\n" : "\n");
    } else if (report.error.empty()) {
      out << AsciiUppercase(FormWord(report)) << "\t" << report.path;
      if (report.disc) out << "\t" << report.disc->boot.header.boot_file;
      out << "\n";
    }
  }
  if (json) out << "]\n";
  return status;
}

}  // namespace quillet
