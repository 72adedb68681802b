#include "app/window_verdict.h"

namespace quillet {

ScrambleVerdict WindowVerdict(const Judgement& judgement) {
  switch (judgement.form) {
    case Form::Unscrambled: return ScrambleVerdict::Unscrambled;
    case Form::Scrambled:
    case Form::ScrambledTwice: return ScrambleVerdict::Scrambled;
    default: return judgement.verdict;
  }
}

}  // namespace quillet
