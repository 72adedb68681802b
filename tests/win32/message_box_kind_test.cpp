#include "win32/message_box_kind.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet {
namespace {

// The Win32 MB_* numbers of each kind of box: 0 OK, 4 Yes/No, 16 stop icon, 35 Yes/No/Cancel with
// the question icon, 64 information icon, 52 Yes/No with the warning icon, 48 the warning icon.
TEST(MessageBoxKindTest, TypesAndAnswersAreTheWin32Numbers) {
  struct Row {
    MessageKind kind;
    UINT type;
  };
  for (const Row& row : std::vector<Row>{{message_kind::kOk, 0},
                                         {message_kind::kYesNo, 4},
                                         {message_kind::kCritical, 16},
                                         {message_kind::kYesNoCancelQuestion, 35},
                                         {message_kind::kInformation, 64},
                                         {message_kind::kYesNoWarning, 52},
                                         {message_kind::kWarning, 48}}) {
    EXPECT_EQ(MessageBoxType(row.kind), row.type);
  }
  EXPECT_EQ(AnswerOf(0), Answer::None);
  EXPECT_EQ(AnswerOf(1), Answer::Ok);
  EXPECT_EQ(AnswerOf(2), Answer::Cancel);
  EXPECT_EQ(AnswerOf(6), Answer::Yes);
  EXPECT_EQ(AnswerOf(7), Answer::No);
}

}  // namespace
}  // namespace quillet
