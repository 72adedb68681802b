// The one-pass search finds exactly what searching each pattern on its own finds; the judgement of
// any bytes ends, and gathering all the evidence never changes the form it gives.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "inspect/judgement.h"
#include "inspect/signatures.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::byte> image(reinterpret_cast<const std::byte*>(data), size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (quillet::SignatureSet set : {quillet::BrowseSignatures(), quillet::StartupSignatures()}) {
    std::vector<quillet::SignatureMatch> expected;
    for (const quillet::Pattern& pattern : set) {
      if (std::size_t at = text.find(pattern.bytes); at != std::string_view::npos) {
        expected.push_back({pattern.letter, at});
      }
    }
    if (quillet::FindSignatures(image, set) != expected) std::abort();
    if ((quillet::ScanSignatures(image, set) == quillet::ScrambleVerdict::Unscrambled) == expected.empty())
      std::abort();
  }
  const quillet::Judgement brief = quillet::JudgeImage(image),
                           full = quillet::JudgeImage(image, quillet::Evidence::Full);
  if (brief.form != full.form || brief.verdict != full.verdict || !full.layout) std::abort();
  if (full.matches != quillet::FindSignatures(image, quillet::AllPatterns())) std::abort();
  return 0;
}
