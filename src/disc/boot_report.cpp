#include "disc/boot_report.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "formats/disc_formats.h"
#include "formats/disc_geometry.h"
#include "formats/gdi.h"
#include "util/json_text.h"
#include "util/text_rules.h"

namespace quillet {
namespace {

struct Region {
  std::string_view name;     // as a person says it
  std::string_view console;  // "a Japanese console"
  std::string_view people;   // "Japanese", as several consoles are said
};
constexpr std::array<Region, kRegions> kRegionTable = {{
    {"Japan", "a Japanese console", "Japanese"},
    {"the USA", "an American console", "American"},
    {"Europe", "a European console", "European"},
}};

// Whether a console of each region starts the disc: where the area symbol and the area text both
// claim the region. Why not, where a region is refused: empty where the IP.BIN does not claim it at all.
struct RegionAnswer {
  bool starts = false;
  std::string why;
};

std::array<RegionAnswer, kRegions> RegionAnswers(const BootHeader& header) {
  std::array<RegionAnswer, kRegions> answers;
  for (std::size_t index = 0; index < kRegionTable.size(); ++index) {
    const Region& region = kRegionTable[index];
    const char symbol = index < header.area_symbols.size() ? header.area_symbols[index] : ' ';
    const bool by_symbol = symbol == kAreaSymbols[index], by_text = header.area_texts[index] == kAreaTexts[index];
    RegionAnswer& answer = answers[index];
    answer.starts = by_symbol && by_text;
    if (!by_symbol && symbol != ' ') {
      answer.why = "area symbol for " + std::string(region.name) + " at 0x3" + std::to_string(index) + " is \"" +
                   EscapeControls(std::string(1, symbol)) + "\", which no console knows";
    } else if (by_symbol != by_text) {
      answer.why = "area symbols at 0x30 and area texts at 0x3700 disagree on " + std::string(region.name) + " (" +
                   (by_symbol ? "the symbol claims it, the text does not" : "the text claims it, the symbol does not") +
                   ")";
    }
  }
  return answers;
}

// The parts one after the other: one function, where a chain of + would be code a part.
std::string Sentence(std::initializer_list<std::string_view> parts) {
  std::string sentence;
  for (const std::string_view part : parts) sentence += part;
  return sentence;
}

std::string TrackWords(const DiscBootFile& disc) {
  return "track " + std::to_string(disc.track) + " at LBA " + std::to_string(disc.layout.boot_track_lba);
}

// An ISO image is one track, which lies wherever it is burned or dumped: its own address is not known.
bool LoneTrack(const DiscBootFile& disc) { return RowOf(disc.format).lone_track; }

BootCheck BootstrapCheck(const DiscBootFile& disc) {
  const BootHeader& header = disc.boot.header;
  const std::string where = LoneTrack(disc) ? "the image" : TrackWords(disc);
  if (disc.gd_rom && !LoneTrack(disc) && disc.layout.boot_track_lba != kHighDensityArea) {
    return {"bootstrap", CheckResult::Problem,
            "the IP.BIN begins " + where + ", not LBA 45000, where a GD-ROM's high-density area begins"};
  }
  const std::string maker = EscapeControls(header.maker_id);
  if (!header.maker_id.starts_with("SEGA")) {
    return {"bootstrap", CheckResult::CannotTell,
            "the IP.BIN's maker ID is \"" + maker +
                "\" where SEGA ENTERPRISES is written: whether a console accepts it "
                "is not established"};
  }
  return {"bootstrap", CheckResult::Ok,
          "the IP.BIN begins " + where + ", with the hardware ID, the maker ID " + maker +
              " and the boot file's name " + EscapeControls(header.boot_file)};
}

BootCheck BootCodeCheck(const DiscBootFile& disc, const BootCodes& codes) {
  const std::string name = EscapeControls(disc.boot.header.boot_file);
  if (HasStockBootCode(disc, codes)) {
    return {"boot code", CheckResult::Ok, "the IP.BIN's boot code is stock: the console itself loads " + name};
  }
  if (const KnownLoader* loader = LoaderOf(disc, codes)) {
    return {"boot code", CheckResult::Ok, "the IP.BIN carries " + std::string(loader->words)};
  }
  return {"boot code", CheckResult::CannotTell,
          "the IP.BIN carries boot code of its own (a loader): what it starts, and how, depends on that code" +
              std::string(kTryOwnBootCode)};
}

BootCheck BootFileCheck(const DiscBootFile& disc) {
  const std::string name = EscapeControls(disc.boot.header.boot_file);
  const std::uint64_t size = disc.boot.bytes.size();
  if (size > kLargestLoadedFile) {
    return {"boot file", CheckResult::Problem,
            Sentence({name, " is ", SizeWords(size), " (", std::to_string(size), " bytes): more than the ",
                      std::to_string(kLargestLoadedFile),
                      " bytes from 0x8C010000, where the console loads it, to the end of its memory"})};
  }
  return {"boot file", CheckResult::Ok,
          Sentence({name, " is in the file system at LBA ", std::to_string(disc.boot.lba), ", ", SizeWords(size),
                    ": it fits where the console loads it"})};
}

BootCheck FormCheck(const DiscBootFile& disc, Form form, const BootCodes& codes) {
  const std::string name = EscapeControls(disc.boot.header.boot_file);
  const std::optional<bool> boots = Boots(disc, form, codes);
  if (boots == true) {
    const std::string starter =
        HasStockBootCode(disc, codes) ? (disc.gd_rom ? "a GD-ROM" : "a CD-R") : "its IP.BIN's loader";
    return {"form", CheckResult::Ok, name + " is " + std::string(FormText(form)) + ", the form " + starter + " starts"};
  }
  if (boots == false) return {"form", CheckResult::Problem, BootNote(disc, form, codes)};
  if (form == Form::NotAProgram) {
    return {"form", CheckResult::CannotTell, name + " does not look like a Dreamcast program in any form"};
  }
  if (form == Form::Undecided) {
    return {"form", CheckResult::CannotTell,
            "the form of " + name + " cannot be told (no patterns, no telling layout)"};
  }
  // Boot code of its own, which the boot code check names.
  return {"form", CheckResult::CannotTell,
          name + " is " + std::string(FormText(form)) +
              ": whether the IP.BIN's own boot code starts it in that form cannot be told"};
}

// What to do about a cue sheet that lost its second session's line.
std::string LostSessionWords(const DiscBootFile& disc) {
  return "the cue sheet has lost its session lines (chdman extractcd writes none); put the line REM SESSION 02 "
         "before track " +
         std::to_string(disc.layout.lost_session) + " in the sheet, and the disc is placed as it was made";
}

BootCheck LayoutCheck(const DiscBootFile& disc) {
  const DiscLayout& layout = disc.layout;
  if (disc.gd_rom && !LoneTrack(disc)) {
    return {"layout", CheckResult::Ok,
            "a GD-ROM dump of " + std::to_string(layout.tracks.size()) +
                " tracks: the low-density area's, then the high-density area's from LBA 45000"};
  }
  if (LoneTrack(disc)) {
    return {"layout", CheckResult::CannotTell,
            disc.gd_rom ? "the image is one track of a GD-ROM: the dump's .gdi names them all"
                        : (DiscImageWords(disc) == "an ISO image" ? "an ISO image is one data track"
                                                                  : "a raw data track is one track alone") +
                              std::string(": its disc's sessions are made when it is burned")};
  }
  // A session in words: "audio", "data", "audio and data" for one of both; only sessions that hold
  // tracks count.
  std::vector<std::string> sessions;
  for (const TocTrack& track : layout.tracks) {
    if (static_cast<std::size_t>(track.session) > sessions.size())
      sessions.resize(static_cast<std::size_t>(track.session));
    std::string& words = sessions[static_cast<std::size_t>(track.session) - 1];
    const std::string kind = track.data ? "data" : "audio";
    if (words.empty()) {
      words = kind;
    } else if (!words.ends_with(kind)) {
      words += " and " + kind;
    }
  }
  std::erase(sessions, std::string());
  if (!RowOf(disc.format).keeps_sessions) {  // a CHD keeps no sessions: its CD's tracks follow each other
    return {"layout", CheckResult::CannotTell,
            "a CD of " + sessions.front() +
                " tracks in a CHD, which keeps no sessions: Dreamcast CD-Rs are made of two (audio + data, or "
                "data + data)"};
  }
  std::string description =
      "a CD-R of " + std::to_string(sessions.size()) + (sessions.size() == 1 ? " session, " : " sessions, ");
  for (std::size_t index = 0; index < sessions.size(); ++index) description += (index ? " + " : "") + sessions[index];
  if (layout.left_open) {
    return {"layout", CheckResult::CannotTell,
            description +
                ", left open for another session: whether a Dreamcast reads a disc left open is not "
                "established; close the disc when burning it"};
  }
  // Where the placement is wrong too, its sentence gives the advice.
  if (sessions.size() == 1 && layout.lost_session && layout.file_system_lba == layout.boot_track_lba) {
    return {"layout", CheckResult::CannotTell,
            description + ", though track " + std::to_string(layout.lost_session) +
                " begins with an IP.BIN, as only a second session's first track does: " + LostSessionWords(disc)};
  }
  if (sessions.size() == 1) {
    return {"layout", CheckResult::CannotTell,
            description +
                ": Dreamcast CD-Rs are made of two sessions (audio + data, or data + data); whether one of "
                "one session starts is not established"};
  }
  // Only a DiscJuggler image records whether the disc was closed; a cue sheet does not.
  description += RowOf(disc.format).records_closed ? ", closed" : "";
  for (const TocTrack& track : layout.tracks) {
    if (!track.data || track.sectors >= kLeastTrackSectors) continue;
    return {
        "layout", CheckResult::CannotTell,
        Sentence({description, "; data track ", std::to_string(track.number), " holds ", std::to_string(track.sectors),
                  " sectors, fewer than the 302 (4 seconds, then the 2 that end a "
                  "data track) a CD-R's track should have: whether a console reads "
                  "so short a track is not established; make the image again with "
                  "the track padded"})};
  }
  return {"layout", CheckResult::Ok, description};
}

BootCheck PlacementCheck(const DiscBootFile& disc, Words words) {
  const DiscLayout& layout = disc.layout;
  const std::string base = std::to_string(layout.file_system_lba);
  if (LoneTrack(disc)) {
    return {"placement", CheckResult::CannotTell,
            disc.gd_rom ? "its file system was made to begin at LBA 45000, a GD-ROM's high-density area: the image is "
                          "the boot track of a GD-ROM dump"
                        : "its file system was made to begin at LBA " + base +
                              ": the disc starts only where the image is burned as a data session that begins there"};
  }
  for (const TocTrack& track : layout.tracks) {
    // A data + data disc: the last session repeats the first's IP.BIN and volume descriptors.
    if (track.number != layout.directories_track || layout.boot_track_lba != layout.file_system_lba) continue;
    return {
        "placement", CheckResult::Ok,
        Sentence({TrackWords(disc), " begins with the IP.BIN and volume descriptors of a file system made for track ",
                  std::to_string(track.number), " at LBA ", std::to_string(track.start_lba),
                  ", which holds its directories and files"})};
  }
  if (layout.boot_track_lba == layout.file_system_lba) {
    return {"placement", CheckResult::Ok, TrackWords(disc) + " holds a file system made to begin there"};
  }
  const std::string made_for = TrackWords(disc) + " holds a file system made to begin at LBA " + base;
  if (!RowOf(disc.format).keeps_sessions && !disc.gd_rom) {
    return {"placement", CheckResult::CannotTell,
            made_for + (words == Words::Plain ? ": a CHD does not record the disc's sessions, so whether it boots "
                                                "depends on the program that burns or loads it"
                                              : ": a CHD keeps no sessions, so where the track lies is the reading "
                                                "program's to place")};
  }
  if (RowOf(disc.format).keeps_sessions && layout.lost_session) {
    // chdman extractcd writes no session lines: the sheet has lost the gap before a second session.
    return {"placement", CheckResult::Problem,
            Sentence({made_for, ", where a second session would put it: ", LostSessionWords(disc)})};
  }
  return {"placement", CheckResult::Problem,
          Sentence({made_for, ": the console will not find ", EscapeControls(disc.boot.header.boot_file),
                    "; make the image again for LBA ", std::to_string(layout.boot_track_lba)})};
}

BootCheck RegionsCheck(const DiscBootFile& disc) {
  const std::array<RegionAnswer, kRegions> answers = RegionAnswers(disc.boot.header);
  std::vector<std::string> starting, refusing, reasons, unclaimed;
  for (std::size_t index = 0; index < answers.size(); ++index) {
    const Region& region = kRegionTable[index];
    if (answers[index].starts) {
      starting.emplace_back(region.name);
      continue;
    }
    refusing.emplace_back(region.people);
    if (answers[index].why.empty()) {
      unclaimed.emplace_back(region.name);
    } else {
      reasons.push_back("the IP.BIN's " + answers[index].why);
    }
  }
  if (starting.size() == answers.size()) {
    return {"regions", CheckResult::Ok, "the IP.BIN claims " + ListWords(starting)};
  }
  if (reasons.empty() && starting.empty()) {
    return {"regions", CheckResult::Problem, "the IP.BIN claims no region: every console refuses the disc"};
  }
  if (!unclaimed.empty()) reasons.push_back("the IP.BIN does not claim " + ListWords(unclaimed, " or "));
  std::string why;
  for (const std::string& reason : reasons) why += (why.empty() ? "" : "; ") + reason;
  if (starting.empty()) return {"regions", CheckResult::Problem, "no console starts the disc: " + why};
  const std::string refusers =
      refusing.size() == 1
          ? std::string(std::find_if(kRegionTable.begin(), kRegionTable.end(),
                                     [&](const Region& region) { return region.people == refusing.front(); })
                            ->console) +
                " refuses it"
          : ListWords(refusing) + " consoles refuse it";
  return {"regions", CheckResult::Ok, "starts on consoles of " + ListWords(starting) + "; " + refusers + ": " + why};
}

BootCheck SizeCheck(const DiscBootFile& disc) {
  const DiscLayout& layout = disc.layout;
  std::string sentence = (RowOf(disc.format).set_of_files ? "the image's track files hold " : "the image is ") +
                         SizeWords(layout.image_size);
  // A volume counts its sectors from its own start: more data sectors than that are padding.
  if (layout.file_system_sectors > 0 && layout.data_sectors > layout.file_system_sectors) {
    const std::uint64_t padding = (layout.data_sectors - layout.file_system_sectors) * kSectorData;
    sentence += Sentence({"; its data tracks pad the file system's ",
                          SizeWords(layout.file_system_sectors * kSectorData), " with ", SizeWords(padding),
                          " more (padding speeds up a CD-R's reading, and costs as much room on an emulator's card)"});
  } else {
    sentence += ", without padding";
  }
  return {"size", CheckResult::Ok, sentence};
}

}  // namespace

std::string_view CheckResultText(CheckResult result) {
  switch (result) {
    case CheckResult::Problem: return "problem";
    case CheckResult::CannotTell: return "cannot tell";
    case CheckResult::Ok: break;
  }
  return "ok";
}

std::vector<BootCheck> CheckBoot(const DiscBootFile& disc, Form form, const BootCodes& codes, Words words) {
  std::vector<BootCheck> checks = {
      BootstrapCheck(disc), BootCodeCheck(disc, codes),  BootFileCheck(disc), FormCheck(disc, form, codes),
      LayoutCheck(disc),    PlacementCheck(disc, words), RegionsCheck(disc),  SizeCheck(disc)};
  // Problems first, then what cannot be told, each in the checks' own order (a pass a result: a
  // sort of eight would cost the page's module more).
  std::vector<BootCheck> ranked;
  for (const CheckResult result : {CheckResult::Problem, CheckResult::CannotTell, CheckResult::Ok}) {
    for (BootCheck& check : checks) {
      if (check.result == result) ranked.push_back(std::move(check));
    }
  }
  return ranked;
}

std::optional<bool> BootsByChecks(const std::vector<BootCheck>& checks) {
  const auto any = [&](CheckResult result) {
    return std::any_of(checks.begin(), checks.end(), [&](const BootCheck& check) { return check.result == result; });
  };
  if (any(CheckResult::Problem)) return false;
  if (any(CheckResult::CannotTell)) return std::nullopt;
  return true;
}

std::string BootSummary(const DiscBootFile& disc, const std::vector<BootCheck>& checks, const BootCodes& codes) {
  for (const CheckResult result : {CheckResult::Problem, CheckResult::CannotTell}) {
    const auto first =
        std::find_if(checks.begin(), checks.end(), [result](const BootCheck& check) { return check.result == result; });
    if (first == checks.end()) continue;
    return (result == CheckResult::Problem ? "will not boot: " : "cannot tell whether it boots: ") + first->sentence;
  }
  std::string summary = disc.gd_rom ? "will boot as a GD-ROM" : "will boot from a CD-R";
  std::vector<std::string> starting;
  const std::array<RegionAnswer, kRegions> answers = RegionAnswers(disc.boot.header);
  for (std::size_t index = 0; index < answers.size(); ++index) {
    if (answers[index].starts) starting.emplace_back(kRegionTable[index].name);
  }
  if (starting.size() < answers.size()) summary += " on consoles of " + ListWords(starting);
  if (const KnownLoader* loader = LoaderOf(disc, codes); loader && !HasStockBootCode(disc, codes)) {
    summary += " (its IP.BIN carries " + std::string(loader->words) + ")";
  }
  return summary;
}

std::string DiscImageWords(const DiscBootFile& disc) {
  const bool raw =
      LoneTrack(disc) && !disc.layout.tracks.empty() && disc.layout.tracks.front().sector_size != kSectorData;
  return raw ? "a raw data track" : std::string(RowOf(disc.format).image_words);
}

JudgedDisc JudgeDisc(DiscBootFile disc, Evidence evidence, const BootCodes& codes, Words words) {
  Judgement judgement = JudgeImage(disc.boot.bytes, evidence);
  std::vector<BootCheck> checks = CheckBoot(disc, judgement.form, codes, words);
  return {std::move(disc), std::move(judgement), std::move(checks)};
}

std::string DiscJsonMembers(const JudgedDisc& judged) {
  const DiscBootFile& disc = judged.disc;
  const BootFile& boot = disc.boot;
  const std::vector<BootCheck>& report = judged.checks;
  const std::optional<bool> boots = BootsByChecks(report);
  std::string checks;
  for (const BootCheck& check : report) {
    if (!checks.empty()) checks += ", ";
    checks += "{\"name\": " + JsonString(check.name) + ", \"result\": " + JsonString(CheckResultText(check.result)) +
              ", \"sentence\": " + JsonString(check.sentence) + "}";
  }
  const std::string boot_code = HexDigits(boot.header.boot_code, 16);
  return "\"format\": \"" + std::string(DiscFormatText(disc.format)) +
         "\", \"description\": " + JsonString(DiscImageWords(disc)) +
         ", \"boot_file\": " + JsonString(boot.header.boot_file) + ", \"size\": " + std::to_string(boot.bytes.size()) +
         ", \"track\": " + std::to_string(disc.track) + ", \"lba\": " + std::to_string(boot.lba) +
         ", \"gd_rom\": " + (disc.gd_rom ? "true" : "false") + ", \"title\": " + JsonString(boot.header.title) +
         ", \"product_number\": " + JsonString(boot.header.product_number) +
         ", \"boots\": " + (boots ? (*boots ? "true" : "false") : "null") + ", \"boot_code\": \"" + boot_code +
         "\", \"image_size\": " + std::to_string(disc.layout.image_size) + ", \"checks\": [" + checks +
         "], \"summary\": " + JsonString(BootSummary(disc, report));
}

}  // namespace quillet
