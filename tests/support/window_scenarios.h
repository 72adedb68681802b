#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
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
// Besides: a text file (no program), it unscrambled as asked, an earlier result of another program,
// and a CHD of a CD-R, its audio in FLAC.
enum class Content {
  kProgram,
  kScrambledProgram,
  kPatternless,
  kSurvivor,
  kCdi,
  kScrambledCdi,
  kText,
  kUnscrambledText,
  kEarlier,
  kChd
};

// A box that comes after Convert, and the button it is answered with. Its text is matched whole, a
// "*" standing for any run of characters, and "{data}" for the data folder with its separator.
enum class Press { kOk, kYes, kNo };
struct Reply {
  const char* title;
  std::string text;
  Press press;
};

// What lies at the result's name before Convert: nothing, an earlier file, or a folder (which no
// result can replace).
enum class Earlier { kNothing, kFile, kFolder };

struct WindowScenario {
  Arrival arrival;
  const char* name;
  Content content;
  const char* verdict;
  const char* result;  // the file beside it after Convert or the fix; null: neither is asked for
  Content result_content;
  std::vector<Reply> replies;             // the boxes Convert brings, answered in turn; none: it is not pressed
  std::string disc = "Not a disc image";  // the disc's line, matched as a reply's text
  Earlier earlier = Earlier::kNothing;
  // The disc's boot code is taken for stock (the drivers vouch for the tests' own), so the disc will
  // not boot: the box that says so asks to write a fixed copy, the `result`, and is answered Yes;
  // the box after it says `fixed`, then the copy's path. Convert is not pressed.
  bool fix = false;
  const char* fixed = nullptr;
};

// Whether `text` is what `pattern` says: "*" any run of characters, "{data}" the data folder.
inline bool Matches(std::string_view pattern, std::string_view text, const std::string& data) {
  if (pattern.starts_with("{data}")) {
    return text.starts_with(data) && Matches(pattern.substr(6), text.substr(data.size()), data);
  }
  if (pattern.empty()) return text.empty();
  if (pattern.front() == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(pattern.substr(1), text.substr(skip), data)) return true;
    }
    return false;
  }
  return !text.empty() && text.front() == pattern.front() && Matches(pattern.substr(1), text.substr(1), data);
}

inline const std::vector<WindowScenario>& WindowScenarios() {
  // The box after Convert of a program.
  const auto completed = [](bool to_scrambled, const char* result) {
    return std::vector<Reply>{
        {"Completed...",
         std::string(to_scrambled ? "The unscrambled to scrambled" : "The scrambled to unscrambled") +
             " conversion has\r\nbeen completed!\r\n\r\n" + result + " is the file name!",
         Press::kOk}};
  };
  const std::string unknown_loader =
      " (boot file 1ST_READ.BIN): cannot tell whether it boots: the IP.BIN carries boot code of its own*";
  static const std::vector<WindowScenario> rows{
      {Arrival::kCommandLine, "1ST_READ.BIN", Content::kProgram, "UNSCRAMBLED", "1ST_READ_scrambled.bin",
       Content::kScrambledProgram, completed(true, "1ST_READ_scrambled.bin")},
      {Arrival::kCommandLine, "scrambled.bin", Content::kScrambledProgram, "SCRAMBLED", nullptr, {}, {}},
      {Arrival::kCommandLine, "patternless.bin", Content::kPatternless, "UNSCRAMBLED", nullptr, {}, {}},
      // A short pattern planted at a slice's start survives scrambling whole.
      {Arrival::kCommandLine, "survivor.bin", Content::kSurvivor, "SCRAMBLED", nullptr, {}, {}},
      {Arrival::kBrowse, "patternless.bin", Content::kPatternless, "UNSCRAMBLED", nullptr, {}, {}},
      {Arrival::kBrowse, "survivor.bin", Content::kSurvivor, "SCRAMBLED", nullptr, {}, {}},
      {Arrival::kBrowse, "game.bin", Content::kScrambledProgram, "SCRAMBLED", "game_unscrambled.bin", Content::kProgram,
       completed(false, "game_unscrambled.bin")},
      // A disc image shows its boot file's form and size, and what its boot report says; Convert
      // writes the boot file, not the image.
      {Arrival::kCommandLine, "dk.cdi", Content::kCdi, "UNSCRAMBLED", "dk_scrambled.bin", Content::kScrambledProgram,
       completed(true, "dk_scrambled.bin"), "A CDI image" + unknown_loader},
      // A CHD keeps no sessions: what cannot be told is said.
      {Arrival::kBrowse, "dk.chd", Content::kChd, "UNSCRAMBLED", nullptr, {}, {}, "A CHD image" + unknown_loader},
      {Arrival::kDrop, "dropped.bin", Content::kProgram, "UNSCRAMBLED", "dropped_scrambled.bin",
       Content::kScrambledProgram, completed(true, "dropped_scrambled.bin")},
      // A text file is no program: never SCRAMBLED, and Convert asks, then never says "completed".
      {Arrival::kBrowse,
       "readme.txt",
       Content::kText,
       "NOT A PROGRAM",
       "readme_unscrambled.bin",
       Content::kUnscrambledText,
       {{"Quillet",
         "readme.txt is not a Dreamcast program: its bytes are no SH-4 machine code in any form.\r\n\r\n"
         "Unscramble it into readme_unscrambled.bin anyway?",
         Press::kYes},
        {"Quillet",
         "readme_unscrambled.bin has been written from readme.txt, as asked. Quillet could not tell that it is a "
         "program.",
         Press::kOk}}},
      // Another program's file of the result's name is kept when the person says No.
      {Arrival::kCommandLine,
       "kept.bin",
       Content::kScrambledProgram,
       "SCRAMBLED",
       "kept_unscrambled.bin",
       Content::kEarlier,
       {{"Quillet", "kept_unscrambled.bin exists. Replace it?", Press::kNo}},
       "Not a disc image",
       Earlier::kFile},
      // A result that cannot be written: the error names it and says what failed, never a temporary file.
      {Arrival::kCommandLine,
       "locked.bin",
       Content::kScrambledProgram,
       "SCRAMBLED",
       nullptr,
       {},
       {{"Quillet", "locked_unscrambled.bin exists. Replace it?", Press::kYes},
        {"Quillet", "Random error number *\r\nCould not write {data}locked_unscrambled.bin: *.", Press::kOk}},
       "Not a disc image",
       Earlier::kFolder},
      // Last: a driver that vouches for the boot code in its own process does so from here on.
      {Arrival::kCommandLine,
       "broken.cdi",
       Content::kCdi,
       "UNSCRAMBLED",
       "broken_fixed.cdi",
       Content::kScrambledCdi,
       {},
       "A CDI image (boot file 1ST_READ.BIN): will not boot: 1ST_READ.BIN is unscrambled*",
       Earlier::kNothing,
       true,
       "A fixed copy has been written:\r\n"},
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
    case Content::kText: {
      std::string text;
      for (int line = 0; line < 70; ++line) text += "The quick brown fox jumps over the lazy dog.\n";
      return text;
    }
    case Content::kUnscrambledText: {
      const std::string text = ContentBytes(Content::kText, read);
      std::string bytes(text.size(), '\0');
      Unscramble({reinterpret_cast<const std::byte*>(text.data()), text.size()},
                 {reinterpret_cast<std::byte*>(bytes.data()), bytes.size()});
      return bytes;
    }
    case Content::kEarlier: return "an earlier result of another program";
    case Content::kChd: return read("disc/chd/cdr-flac.chd");
  }
  return {};
}

inline bool IsDisc(Content content) {
  return content == Content::kCdi || content == Content::kScrambledCdi || content == Content::kChd;
}

// The size the window shows: a disc image's is its boot file's.
inline std::size_t ShownSize(Content content, const std::function<std::string(const char*)>& read) {
  return ContentBytes(IsDisc(content) ? Content::kProgram : content, read).size();
}

// What the size box says after the size itself: a disc image's says whose it is.
inline std::string SizeOwner(Content content) { return IsDisc(content) ? " (boot file)" : ""; }

}  // namespace quillet::testing
