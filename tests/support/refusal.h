#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "util/run_time_error.h"

namespace quillet::testing {

// For a table of bad inputs: `refused` must raise run-time error 5 (an invalid argument) whose
// description holds `reason`; `row` names the case in a failure.
template <typename Refused>
void ExpectRefusal(std::string_view row, std::string_view reason, Refused refused) {
  try {
    refused();
    ADD_FAILURE() << row << ": accepted";
  } catch (const RunTimeError& failure) {
    EXPECT_EQ(failure.number(), 5) << row;
    EXPECT_NE(std::string_view(failure.description()).find(reason), std::string_view::npos)
        << row << ": " << failure.description();
  }
}

}  // namespace quillet::testing
