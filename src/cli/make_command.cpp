#include "cli/make_command.h"

#include <algorithm>
#include <utility>

#include "cli/disc_input.h"
#include "cli/objcopy_run.h"
#include "cli/quillet_command.h"
#include "cli/run_files.h"
#include "core/disc_file.h"
#include "core/file_source.h"
#include "disc/disc_image.h"
#include "disc/file_decision.h"
#include "inspect/file_kind.h"
#include "sys/file_system.h"
#include "sys/result_writer.h"
#include "util/path_rules.h"
#include "util/run_time_error.h"
#include "util/text_rules.h"
#include "util/utc_time.h"

namespace quillet {
namespace {

// A failure about one of the files a disc is made of: the file, and why.
struct Refusal {
  std::string subject;
  RunTimeError failure;
};

// Runs `work`; a run-time error it raises is said of `subject`.
template <typename Work>
auto About(const std::string& subject, Work work) {
  try {
    return work();
  } catch (const RunTimeError& failure) {
    throw Refusal{subject, RunTimeError(failure.number(), RefusalReason(failure))};
  }
}

struct Program {
  std::vector<std::byte> bytes;
  std::optional<Form> form;  // known without judging it: an ELF's raw binary is unscrambled
};

Program ReadProgram(const std::string& path, const std::string& near) {
  if (KindByName(path) == FileKind::IpBinByName)
    throw RunTimeError(error::kInvalidArgument, std::string(kIpBinRefusal));
  FileKind kind;
  {
    const FileSource file(path);
    kind = KindOfFile(file, path);
  }
  if (kind == FileKind::DiscImage) {
    RefuseAsInvalid(
        "it is a disc image; quillet make takes a program (an SH ELF file, or a 1ST_READ.BIN), and quillet convert "
        "writes out a disc's boot file");
  }
  if (kind == FileKind::Elf) return {RawBinaryThroughObjcopy(path, near), Form::Unscrambled};
  if (const std::int64_t length = FileLength(path); static_cast<std::uint64_t>(length) > kLargestLoadedFile) {
    RefuseAsInvalid("it is " + SizeWords(static_cast<std::uint64_t>(length)) + ", more than the " +
                    std::to_string(kLargestLoadedFile) + " bytes of the console's memory a program is loaded into");
  }
  const FileContents whole = ReadWholeFile(path);
  Program program{{whole.bytes().begin(), whole.bytes().end()}, std::nullopt};
  RefuseUnreadableDisc(program.bytes, path);
  if (IsBootSectorImage(program.bytes)) throw RunTimeError(error::kInvalidArgument, std::string(kIpBinRefusal));
  return program;
}

// The IP.BIN's 32 KiB: the file's, or a disc image's bootstrap.
std::vector<std::byte> ReadIp(const std::string& path) {
  if (const std::unique_ptr<OpenedDisc> disc = OpenedDisc::Open(path)) {
    return BootOfContents(disc->Contents(), disc->files()).boot.bootstrap;
  }
  if (const std::int64_t length = FileLength(path); length != static_cast<std::int64_t>(kBootstrapBytes)) {
    RefuseAsInvalid("it is " + std::to_string(length) + " bytes long, and an IP.BIN is " +
                    std::to_string(kBootstrapBytes) + " (32 KiB); give the IP.BIN, or a disc image to take it from");
  }
  const FileContents whole = ReadWholeFile(path);
  return {whole.bytes().begin(), whole.bytes().end()};
}

// Every file under `folder`, each going into the disc's folder `disc_folder` under its own name.
void AddFolder(const std::string& folder, const std::string& disc_folder, std::vector<MadeFile>& files) {
  const PathStyle style = NativePathStyle();
  std::vector<FolderEntry> entries = FolderEntries(folder);
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  for (const FolderEntry& entry : entries) {
    const std::string path = PathIn(folder, entry.name, style);
    if (entry.folder) {
      AddFolder(path, disc_folder + "/" + entry.name, files);
    } else {
      files.push_back({disc_folder + "/" + entry.name, path});
    }
  }
}

// The folder `path` lies in, or the nearest above it that is there: a set's folder is made only
// when it is written.
std::string ExistingFolderOf(const std::string& path) {
  const PathStyle style = NativePathStyle();
  std::string folder = ContainingFolder(path, style).value_or(".");
  while (!IsFolder(folder)) {
    const std::optional<std::string> above = ContainingFolder(folder, style);
    if (!above || *above == folder) return ".";
    folder = *above;
  }
  return folder;
}

// "game.elf" as "game.cdi" beside it.
std::string DefaultOutput(const std::string& program) {
  const PathStyle style = NativePathStyle();
  return PathIn(ContainingFolder(program, style), std::string(TitleStem(FileTitle(program, style))) + ".cdi", style);
}

std::string Make(const std::string& program_path, const std::vector<std::string>& inputs, const MakeOptions& options,
                 std::ostream& err) {
  const PathStyle style = NativePathStyle();
  const std::string output = options.output.value_or(DefaultOutput(program_path));
  BootRequest boot;
  boot.ip = About(options.ip, [&] { return ReadIp(options.ip); });
  Program program = About(program_path, [&] { return ReadProgram(program_path, ExistingFolderOf(output)); });
  boot.program = std::move(program.bytes);
  boot.program_form = program.form;
  const UtcTime time = UtcTimeOf(options.time);
  boot.header.title = options.title;
  boot.header.date = DecimalDigits(static_cast<std::uint64_t>(std::clamp(time.year, 0, 9999)), 4) +
                     DecimalDigits(static_cast<std::uint64_t>(time.month), 2) +
                     DecimalDigits(static_cast<std::uint64_t>(time.day), 2);
  boot.area_symbols = options.area_symbols;
  const bool from_elf = program.form.has_value();
  MakeRequest request{About(program_path, [&] { return MakeBoot(std::move(boot)); }),
                      {},
                      options.layout,
                      options.time,
                      output,
                      options.force,
                      BootCodes{}};

  std::vector<std::string> run_inputs = {program_path, options.ip};
  for (const std::string& input : inputs) {
    About(input, [&] {
      if (IsFolder(input)) {
        AddFolder(input, std::string(FileTitle(input, style)), request.files);
      } else {
        FileLength(input);  // there, and a file
        request.files.push_back({std::string(FileTitle(input, style)), input});
      }
    });
  }
  for (const MadeFile& file : request.files) run_inputs.push_back(file.path);
  const std::size_t files = request.files.size();
  const MadeBoot& made_boot = request.boot;
  const std::string form_words = std::string(FormText(made_boot.written)) + (from_elf ? " from its ELF file" : "");
  const std::string boot_name = EscapeControls(made_boot.boot_file_name);
  // Its refusals name the file they are about, or the output.
  const DiscMaker maker = About({}, [&] { return DiscMaker(std::move(request)); });

  // The disc is never written over one of its inputs, nor over a file of the disc image the IP.BIN
  // came from.
  RunFiles run(run_inputs, [&](const std::string& input) {
    return input == options.ip ? DiscFilesAt(input) : std::optional<std::vector<std::string>>();
  });
  const std::vector<std::string> targets = maker.Targets();
  for (const std::string& target : targets) About(program_path, [&] { run.RequireFree(program_path, target, false); });
  const std::string destination =
      maker.format() == DiscFormat::Cue ? ContainingFolder(output, style).value_or(".") : output;
  for (const std::string& leftover : LeftoversOf(destination)) err << "quillet: " << leftover << std::endl;
  const MadeDisc made = About(output, [&] {
    return WritingResult([&] { return maker.Write(); },
                         "no file of the disc's set (a cue sheet and its track files go into a folder of their own)");
  });
  const std::string layout = options.layout == MadeLayout::DataData ? "data + data" : "audio + data";
  return ShownPath(program_path) + ": wrote " + ShownPath(made.path) + " (" +
         (maker.format() == DiscFormat::Iso ? "its file system for LBA 11702" : "a CD-R of " + layout) + "; " +
         boot_name + " " + form_words + ", the form its IP.BIN's boot code starts" +
         (files ? "; " + std::to_string(files) + (files == 1 ? " file" : " files") + " beside it" : "") + ")\n" +
         ShownPath(made.path) + ": " + BootSummary(made.judged.disc, made.judged.checks);
}

}  // namespace

int RunMake(const std::string& program, const std::vector<std::string>& files, const MakeOptions& options,
            std::ostream& out, std::ostream& err) {
  try {
    out << Make(program, files, options, err) << std::endl;
    return kExitAllDone;
  } catch (const Refusal& refusal) {
    err << "quillet: " << (refusal.subject.empty() ? "" : ShownPath(refusal.subject) + ": ")
        << refusal.failure.description() << std::endl;
  } catch (const RunTimeError& failure) {
    err << "quillet: " << ShownPath(program) << ": " << RefusalReason(failure) << std::endl;
  }
  return kExitSomeFailed;
}

}  // namespace quillet
