#pragma once

#include "inspect/judgement.h"

namespace quillet {

// The verdict the window shows: the judgement's where it is confidently a program's form (a file
// scrambled twice shows SCRAMBLED, and Convert unscrambles it twice), else the patterns' own.
ScrambleVerdict WindowVerdict(const Judgement& judgement);

// What the type box says: the verdict's text for a program; for a file the judgement finds is no
// program, or whose form it cannot tell, that, never a form it is not known to be in.
std::string_view WindowVerdictText(const Judgement& judgement);

}  // namespace quillet
