#pragma once

#include "inspect/judgement.h"

namespace quillet {

// The verdict the window shows: the judgement's where it is confidently a program's form (a file
// scrambled twice shows SCRAMBLED, and Convert unscrambles it twice), else the patterns' own.
ScrambleVerdict WindowVerdict(const Judgement& judgement);

}  // namespace quillet
