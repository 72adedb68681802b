#include "inspect/judgement.h"

#include <algorithm>
#include <array>

#include "inspect/file_kind.h"

namespace quillet {

std::string_view FormText(Form form) {
  switch (form) {
    case Form::Unscrambled: return "unscrambled";
    case Form::Scrambled: return "scrambled";
    case Form::ScrambledTwice: return "scrambled twice";
    case Form::NotAProgram: return "not a program";
    case Form::BootSector: return "boot sector";
    case Form::Undecided: break;
  }
  return "undecided";
}

Judgement JudgeImage(const ByteSource& image, Evidence evidence, PatternWatch* watch) {
  ImageJudge judge(image.size(), evidence, watch);
  ForEachBlock(image, judge.Overlap(), [&](std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh) {
    return judge.See(offset, block, fresh);
  });
  return judge.Finish(image);
}

ImageJudge::ImageJudge(std::uint64_t size, Evidence evidence, PatternWatch* watch)
    : evidence_(evidence),
      search_(AllPatterns(), evidence == Evidence::Full ? SearchEnd::AllFound : SearchEnd::AtFirstSurvivorProof, watch),
      sample_(size) {}

bool ImageJudge::See(std::uint64_t offset, std::span<const std::byte> block, std::size_t fresh) {
  sample_.See(offset + fresh, block.subspan(fresh));
  return search_.Search(offset, block);
}

Judgement ImageJudge::Finish(const ByteSource& image) {
  const bool full = evidence_ == Evidence::Full;
  Judgement judgement;
  judgement.matches = search_.Matches();
  judgement.verdict = judgement.matches.empty() ? ScrambleVerdict::Scrambled : ScrambleVerdict::Unscrambled;
  const bool survivor_proof =
      std::any_of(judgement.matches.begin(), judgement.matches.end(), [](const SignatureMatch& match) {
        return !SurvivesScrambling(AllPatterns()[static_cast<std::size_t>(match.letter - 'A')]);
      });
  const MachineCode code = sample_.Judge(image);
  // Bytes as random as compressed data, with no code to see, have no layout to tell a form by.
  const bool layout_tells = code != MachineCode::Incompressible;
  if (full || (!survivor_proof && layout_tells)) judgement.layout = JudgeLayout(image);

  std::array<std::byte, kBootHeaderLength> header{};
  const auto header_size = static_cast<std::size_t>(std::min<std::uint64_t>(header.size(), image.size()));
  image.Read(0, std::span(header).first(header_size));
  if (IsBootSectorImage(std::span(header).first(header_size))) {
    judgement.form = Form::BootSector;
  } else if (code == MachineCode::Unlikely) {
    judgement.form = Form::NotAProgram;
  } else if (survivor_proof) {
    judgement.form = Form::Unscrambled;
  } else {
    switch (layout_tells ? *judgement.layout : Layout::Undecided) {
      case Layout::Unscrambled: judgement.form = Form::Unscrambled; break;
      case Layout::Scrambled: judgement.form = Form::Scrambled; break;
      case Layout::ScrambledTwice: judgement.form = Form::ScrambledTwice; break;
      case Layout::Undecided: judgement.form = judgement.matches.empty() ? Form::Undecided : Form::Unscrambled; break;
    }
  }
  return judgement;
}

std::string JudgementJsonMembers(const Judgement& judgement, std::int64_t size) {
  std::string json = "\"form\": \"" + std::string(FormText(judgement.form)) + "\", \"verdict\": \"" +
                     std::string(VerdictText(judgement.verdict)) + "\"";
  if (judgement.layout) json += ", \"layout\": \"" + std::string(LayoutText(*judgement.layout)) + "\"";
  json += ", \"size\": " + std::to_string(size) + ", \"matches\": [";
  for (const SignatureMatch& match : judgement.matches) {
    if (json.back() == '}') json += ", ";
    json += "{\"pattern\": \"" + std::string(1, match.letter) + "\", \"offset\": " + std::to_string(match.offset) + "}";
  }
  return json + "]";
}

}  // namespace quillet
