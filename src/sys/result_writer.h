#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sys/replacement_file.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"

// The one writer of what Quillet writes for a person to keep or burn (a converted program, a fixed
// disc image, a set of track files), whole or not at all.
//
// A single file is written as ReplacementFile writes one: beside its target under a hidden name,
// then renamed into its place. A set is written into a hidden folder of its own beside its target
// folder, which then takes the target's name in one rename: a rename of a folder is one step on
// Linux and on Windows alike, where renaming its files one by one is not, so a set is there whole
// or not at all whatever ends the process, and a signal removes the hidden folder.
//
// An existing result is replaced only where the caller was asked to; a folder that holds any file
// the new set does not write is never replaced. Every failure names the result's path, never a
// temporary name.
namespace quillet {

// An earlier result where a new one goes (run-time error 58): `path`, which only a caller asked to
// replace it may replace; or a folder that holds `foreign`, a file the new set does not write, which
// nothing replaces.
class ResultExists : public RunTimeError {
 public:
  ResultExists(std::string path, std::string foreign = {});
  const std::string& path() const { return path_; }
  const std::string& foreign() const { return foreign_; }

 private:
  std::string path_, foreign_;
};

class ResultWriter {
 public:
  enum class Shape { File, Set };

  // A single file at `target`. Raises where it may not be written: a folder, anything but a regular
  // file, or an existing result where `replace` is false (ResultExists).
  ResultWriter(std::string target, bool replace);
  // A set: the files `names` ("tracks/x.bin", "/" between folders) in the folder `target`. Raises
  // where a file is there, or a folder that holds anything but these files (ResultExists), or
  // any of them where `replace` is false.
  ResultWriter(std::string target, std::vector<std::string> names, bool replace);
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;
  ~ResultWriter();  // drops whatever was not committed

  // Begins the file `name`: one of the set's names; for a single file, "".
  ReplacementFile& Begin(const std::string& name = {});
  // The path `name` has while it is written, to read it back once Close has closed it.
  std::string WrittenPath(const std::string& name = {}) const;
  // Forces every file begun to disk and closes it, so that it can be read back before Commit.
  void Close();
  // Where `name` will be: the path a person is told.
  std::string FinalPath(const std::string& name = {}) const;
  // Puts every file begun in its place, each forced to disk first.
  void Commit();

  // Runs `work`, which writes the file `name`: a failure it raises names where that file goes.
  template <typename Work>
  decltype(auto) Writing(const std::string& name, Work work) const {
    try {
      return work();
    } catch (const ResultExists&) {
      throw;
    } catch (const RunTimeError& failure) {
      throw RunTimeError(failure.number(), "cannot write " + ShownPath(FinalPath(name)) + ": " + failure.description());
    }
  }

 private:
  struct SetFolder;

  // The first file under the target folder that is none of the set's, or nothing.
  std::optional<std::string> ForeignFile() const;

  std::string target_;
  Shape shape_;
  bool replace_;
  std::vector<std::string> names_;
  std::vector<std::pair<std::string, std::unique_ptr<ReplacementFile>>> files_;
  std::unique_ptr<SetFolder> folder_;
};

// The hidden files and folders beside `target` that a run writing it left when it was stopped
// before it could clean up (killed, or the power lost), each in a sentence: "PATH (SIZE) is left
// from an earlier run that was stopped: remove it".
std::vector<std::string> LeftoversOf(const std::string& target);

}  // namespace quillet
