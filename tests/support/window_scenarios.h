#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "scramble/scramble.h"
#include "support/disc_writer.h"

// What a person does in either window, walked by both window drivers by their own means: a file
// arrives (named on the command line, chosen in the Open dialog, dropped), its verdict and size show,
// and Convert writes the other form beside it; or a disc that will not boot is given a fixed copy.
namespace quillet::testing {

enum class Arrival { kCommandLine, kBrowse, kDrop };

// The SH programs the tests build: a real one with a C library (the patterns), one without (none of
// them), and a self-boot CDI whose boot file is the first, unscrambled or scrambled.
enum class Content { kProgram, kScrambledProgram, kPatternless, kSurvivor, kCdi, kScrambledCdi };

struct WindowScenario {
  Arrival arrival;
  const char* name;
  Content content;
  const char* verdict;
  const char* result;  // what Convert writes beside the file; null: Convert is not pressed
  Content result_content;
  const char* message;  // the box that says it is done
  // The disc's boot code is taken for stock (the drivers vouch for the tests' own), so the disc will
  // not boot: the box that says so asks to write a fixed copy, the `result`, and is answered Yes.
  // Convert is not pressed.
  bool fix = false;
};

inline const std::vector<WindowScenario>& WindowScenarios() {
  static const std::vector<WindowScenario> rows{
      {Arrival::kCommandLine, "1ST_READ.BIN", Content::kProgram, "UNSCRAMBLED", "1ST_READ_scrambled.bin",
       Content::kScrambledProgram,
       "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\n1ST_READ_scrambled.bin is the file "
       "name!"},
      {Arrival::kCommandLine, "scrambled.bin", Content::kScrambledProgram, "SCRAMBLED", nullptr, {}, nullptr},
      {Arrival::kCommandLine, "patternless.bin", Content::kPatternless, "UNSCRAMBLED", nullptr, {}, nullptr},
      // A short pattern planted at a slice's start survives scrambling whole.
      {Arrival::kCommandLine, "survivor.bin", Content::kSurvivor, "SCRAMBLED", nullptr, {}, nullptr},
      {Arrival::kBrowse, "patternless.bin", Content::kPatternless, "UNSCRAMBLED", nullptr, {}, nullptr},
      {Arrival::kBrowse, "survivor.bin", Content::kSurvivor, "SCRAMBLED", nullptr, {}, nullptr},
      {Arrival::kBrowse, "game.bin", Content::kScrambledProgram, "SCRAMBLED", "game_unscrambled.bin", Content::kProgram,
       "The scrambled to unscrambled conversion has\r\nbeen completed!\r\n\r\ngame_unscrambled.bin is the file name!"},
      // A disc image shows its boot file's form and size; Convert writes the boot file, not the image.
      {Arrival::kCommandLine, "dk.cdi", Content::kCdi, "UNSCRAMBLED", "dk_scrambled.bin", Content::kScrambledProgram,
       "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\ndk_scrambled.bin is the file name!"},
      {Arrival::kDrop, "dropped.bin", Content::kProgram, "UNSCRAMBLED", "dropped_scrambled.bin",
       Content::kScrambledProgram,
       "The unscrambled to scrambled conversion has\r\nbeen completed!\r\n\r\ndropped_scrambled.bin is the file "
       "name!"},
      // Last: a driver that vouches for the boot code in its own process does so from here on.
      {Arrival::kCommandLine, "broken.cdi", Content::kCdi, "UNSCRAMBLED", "broken_fixed.cdi", Content::kScrambledCdi,
       "A fixed copy has been written:\r\n", true},
  };
  return rows;
}

// The bytes of `content`, from the fixture files that `read` reads by their names in the fixture folder.
inline std::string ContentBytes(Content content, const std::function<std::string(const char*)>& read) {
  const auto scrambled = [](const std::string& plain) {
    std::string bytes(plain.size(), '\0');
    Scramble({reinterpret_cast<const std::byte*>(plain.data()), plain.size()},
             {reinterpret_cast<std::byte*>(bytes.data()), bytes.size()});
    return bytes;
  };
  switch (content) {
    case Content::kProgram: return read("hello.bin");
    case Content::kScrambledProgram: return scrambled(read("hello.bin"));
    case Content::kPatternless: return read("bare.bin");
    case Content::kSurvivor: return scrambled(read("bare.bin")).replace(64 * 32, 21, "0123456E1789ABCDEABFF");
    case Content::kCdi: return SelfBootCdi(read("disc/session.iso"), 2352, CdiRelease::Version2);
    case Content::kScrambledCdi: {
      std::string iso = read("disc/session.iso");
      const std::string program = read("hello.bin");
      iso.replace(iso.find(program), program.size(), scrambled(program));
      return SelfBootCdi(iso, 2352, CdiRelease::Version2);
    }
  }
  return {};
}

// The size the window shows: a disc image's is its boot file's.
inline std::size_t ShownSize(Content content, const std::function<std::string(const char*)>& read) {
  const bool disc = content == Content::kCdi || content == Content::kScrambledCdi;
  return ContentBytes(disc ? Content::kProgram : content, read).size();
}

}  // namespace quillet::testing
