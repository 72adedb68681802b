#include "convert/conversion_plan.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scramble/scramble.h"

namespace quillet {
namespace {

TEST(ConversionPlanTest, EachFormToEachTarget) {
  struct Row {
    Form form;
    Form target;
    bool force;
    std::optional<std::string> says;  // nothing: already in that form
    std::string refused = "";         // the refusal's start, when refused
  };
  const std::string not_told = "Invalid procedure call or argument: its form cannot be told";
  for (const Row& row : std::vector<Row>{
           {Form::Unscrambled, Form::Scrambled, false, "scrambled"},
           {Form::Unscrambled, Form::Unscrambled, false, std::nullopt},
           {Form::Unscrambled, Form::Unscrambled, true, "unscrambled again, as forced"},
           {Form::Scrambled, Form::Unscrambled, false, "unscrambled"},
           {Form::Scrambled, Form::Scrambled, false, std::nullopt},
           {Form::Scrambled, Form::Scrambled, true, "scrambled again, as forced"},
           {Form::ScrambledTwice, Form::Unscrambled, false, "unscrambled twice: it was scrambled twice"},
           {Form::ScrambledTwice, Form::Scrambled, false, "unscrambled once: it was scrambled twice"},
           {Form::Undecided, Form::Scrambled, false, "", not_told},
           {Form::Undecided, Form::Scrambled, true, "scrambled"},
           {Form::NotAProgram, Form::Unscrambled, false, "", "Invalid procedure call or argument: it is not"},
           {Form::NotAProgram, Form::Unscrambled, true, "unscrambled"},
           {Form::BootSector, Form::Scrambled, true, "", "Please select a 1st_read.bin, not an Ip.bin!"},
       }) {
    const std::string context =
        std::string(FormText(row.form)) + " to " + std::string(FormText(row.target)) + (row.force ? ", forced" : "");
    try {
      const std::optional<ConversionPlan> plan = PlanConversion(row.form, row.target, row.force);
      EXPECT_EQ(row.refused, "") << context;
      EXPECT_EQ(plan.has_value(), row.says.has_value()) << context;
      if (plan && row.says) {
        EXPECT_EQ(plan->description, *row.says) << context;
      }
    } catch (const FormRefusal& refusal) {
      EXPECT_NE(row.refused, "") << context << ": " << refusal.description();
      EXPECT_TRUE(std::string(refusal.description()).starts_with(row.refused)) << refusal.description();
      EXPECT_EQ(refusal.forcible(), row.form != Form::BootSector) << context;
    }
  }
}

TEST(ConversionPlanTest, APlanAppliedGivesTheTargetFromAnyForm) {
  // Scrambling then unscrambling as planned: a file scrambled twice comes back in one step either
  // way, and never is anything scrambled a second time by mistake.
  std::vector<std::byte> plain(70000);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::byte>(i * 7 + i / 97);
  const auto apply = [](std::span<const std::byte> bytes, const std::optional<ConversionPlan>& plan) {
    return ApplyPlan(bytes, *plan);
  };
  const std::vector<std::byte> once = apply(plain, PlanConversion(Form::Unscrambled, Form::Scrambled, false));
  const std::vector<std::byte> twice = apply(once, PlanConversion(Form::Unscrambled, Form::Scrambled, true));
  EXPECT_EQ(apply(once, PlanConversion(Form::Scrambled, Form::Unscrambled, false)), plain);
  EXPECT_EQ(apply(twice, PlanConversion(Form::ScrambledTwice, Form::Unscrambled, false)), plain);
  EXPECT_EQ(apply(twice, PlanConversion(Form::ScrambledTwice, Form::Scrambled, false)), once);
}

// Applied a chunk at a time, every plan makes what the scrambler makes of the whole file: at sizes
// that end on a chunk's edge, a slice's, and neither.
TEST(ConversionPlanTest, AChunkAtATimeMakesWhatTheWholeFileMakes) {
  const auto whole = [](std::vector<std::byte> bytes, int scrambles, int unscrambles) {
    std::vector<std::byte> out(bytes.size());
    for (int i = 0; i < scrambles + unscrambles; ++i) {
      (i < scrambles ? Scramble : Unscramble)(bytes, out);
      bytes.swap(out);
    }
    return bytes;
  };
  for (const std::size_t size : {std::size_t{31}, std::size_t{32}, std::size_t{4096 + 7}, kLargestChunk,
                                 kLargestChunk + (1 << 20) + 32 + 5, 2 * kLargestChunk + 100}) {
    std::vector<std::byte> bytes(size);
    for (std::size_t at = 0; at < size; ++at) bytes[at] = static_cast<std::byte>(at * 2654435761u >> 13);
    for (const auto& [scramble, unscrambles] : {std::pair{true, 0}, {false, 1}, {false, 2}, {true, 1}, {false, 0}}) {
      EXPECT_EQ(ApplyPlan(bytes, ConversionPlan{scramble, unscrambles, ""}), whole(bytes, scramble, unscrambles))
          << size << " bytes, scrambled " << scramble << ", unscrambled " << unscrambles << " times";
    }
  }
}

}  // namespace
}  // namespace quillet
