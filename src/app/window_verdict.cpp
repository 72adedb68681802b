#include "app/window_verdict.h"

#include "app/texts.h"

namespace quillet {

ScrambleVerdict WindowVerdict(const Judgement& judgement) {
  switch (judgement.form) {
    case Form::Unscrambled: return ScrambleVerdict::Unscrambled;
    case Form::Scrambled:
    case Form::ScrambledTwice: return ScrambleVerdict::Scrambled;
    default: return judgement.verdict;
  }
}

std::string_view WindowVerdictText(const Judgement& judgement) {
  if (judgement.form == Form::NotAProgram) return kNotAProgramVerdict;
  if (judgement.form == Form::Undecided) return kUndecidedVerdict;
  return VerdictText(WindowVerdict(judgement));
}

}  // namespace quillet
