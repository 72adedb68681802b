#pragma once

#include <string>
#include <string_view>

#include "sys/result_writer.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

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

// Runs `write`, which writes a result with the one writer: its refusals end "; nothing written", an
// earlier result's said as the command line says it ("OUT exists: --force replaces it"), a folder's
// file that a set does not write as `foreign_words` say it is not ("no file of the fixed set").
template <typename Write>
auto WritingResult(Write write, std::string_view foreign_words) {
  try {
    return write();
  } catch (const ResultExists& exists) {
    throw RunTimeError(exists.number(), exists.foreign().empty()
                                            ? ShownPath(exists.path()) + " exists: --force replaces it; nothing written"
                                            : ShownPath(exists.path()) + " holds " + ShownPath(exists.foreign()) +
                                                  ", which is " + std::string(foreign_words) + "; nothing written");
  } catch (const RunTimeError& failure) {
    throw RunTimeError(failure.number(), RefusalReason(failure) + "; nothing written");
  }
}

}  // namespace quillet
