#pragma once

#include "util/run_time_error.h"

// How the command line words a disc image's refusal: its reason alone, without the standard
// description of a refusal that the window shows behind the error's number.
namespace quillet {

// Runs `read`, which reads a disc image; a refusal it raises is raised again as its reason alone.
template <typename Read>
auto SayingReasonAlone(Read read) {
  try {
    return read();
  } catch (const RunTimeError& failure) {
    throw RunTimeError(failure.number(), RefusalReason(failure));
  }
}

}  // namespace quillet
