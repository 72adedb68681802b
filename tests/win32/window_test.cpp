// The real vardelm.exe under Wine, driven from outside as a user would: started with and without
// a path, its boxes read, its buttons and menus pressed, its message boxes answered, the open
// dialog filled in; then the files it made and the registry are checked.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "app/size_text.h"
#include "app/texts.h"
#include "core/disc_file.h"
#include "scramble/scramble.h"
#include "support/temp_folder.h"
#include "support/window_scenarios.h"
#include "sys/winapi/utf16.h"
#include "win32/main_window.h"
#include "win32/resources/resource.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\Quillet";
constexpr wchar_t kMainClass[] = L"QuilletMainWindow";

// One of the functions Wine's kernel32 adds for programs that know they run on Wine.
template <typename Function>
Function WineExport(const char* name) {
  // Through void*: a FARPROC is no function type of its own.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
}

// A Linux path as Wine's Windows programs see it.
fs::path DosPath(const char* unix_path) {
  using DosFileName = wchar_t*(__cdecl*)(const char*);
  const auto dos_file_name = WineExport<DosFileName>("wine_get_dos_file_name");
  return dos_file_name ? fs::path(dos_file_name(unix_path)) : fs::path(unix_path);
}

fs::path ThisFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path();
}

std::string Bytes(const fs::path& file) { return testing::ReadFile(Narrow(file.wstring())); }

std::string Scrambled(const std::string& plain) {
  std::string scrambled(plain.size(), '\0');
  Scramble({reinterpret_cast<const std::byte*>(plain.data()), plain.size()},
           {reinterpret_cast<std::byte*>(scrambled.data()), scrambled.size()});
  return scrambled;
}

// A window's text, asked of the window itself: GetWindowText does not ask another process's controls.
std::wstring Text(HWND window) {
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
  for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

std::optional<std::wstring> RegistryText(const std::wstring& key, const wchar_t* name) {
  wchar_t value[1024];
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(value);
}

// One run of vardelm.exe.
class Program {
 public:
  Program(const fs::path& folder, const std::wstring& arguments) {
    const fs::path program = folder / L"vardelm.exe";
    std::wstring command_line = L"\"" + program.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      ADD_FAILURE() << "vardelm.exe could not be started: " << GetLastError();
    }
  }
  // A run that something else started, such as the shell.
  explicit Program(HANDLE process) {
    process_.hProcess = process;
    process_.dwProcessId = GetProcessId(process);
  }
  ~Program() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    if (process_.hThread) CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }

  // The program's top-level window of `window_class` titled `title` (any title when null).
  HWND Window(const wchar_t* window_class, const wchar_t* title, bool visible) const {
    struct Search {
      DWORD process;
      const wchar_t* window_class;
      const wchar_t* title;
      bool visible;
      HWND found;
    } search{process_.dwProcessId, window_class, title, visible, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto& s = *reinterpret_cast<Search*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          wchar_t name[256];
          GetClassNameW(window, name, 256);
          if (owner != s.process || std::wstring(name) != s.window_class) return TRUE;
          if ((s.title && Text(window) != s.title) || (s.visible && !IsWindowVisible(window))) return TRUE;
          s.found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HWND WaitFor(const wchar_t* window_class, const wchar_t* title) const {
    HWND found = nullptr;
    EXPECT_TRUE(Eventually([&] { return (found = Window(window_class, title, true)) != nullptr; }))
        << "no window " << Narrow(title ? title : L"(any)") << "; there are: " << Narrow(VisibleWindows());
    return found;
  }
  // What the program shows, to explain a failure: each visible window's title and message.
  std::wstring VisibleWindows() const {
    std::pair<DWORD, std::wstring> search{process_.dwProcessId, L""};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
          auto& s = *reinterpret_cast<std::pair<DWORD, std::wstring>*>(data);
          DWORD owner = 0;
          GetWindowThreadProcessId(window, &owner);
          if (owner == s.first && IsWindowVisible(window)) {
            s.second += L"[" + Text(window) + L": " + Text(GetDlgItem(window, 0xFFFF)) + L"] ";
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
  }

  HWND MainWindow() const { return WaitFor(kMainClass, nullptr); }
  DWORD Id() const { return process_.dwProcessId; }
  HWND Box(const wchar_t* title) const { return WaitFor(L"#32770", title); }

  // The exit status, once the program has ended.
  std::optional<DWORD> ExitStatus(std::chrono::milliseconds limit = 20s) const {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD status = 0;
    GetExitCodeProcess(process_.hProcess, &status);
    return status;
  }

 private:
  PROCESS_INFORMATION process_{};
};

std::wstring BoxText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

void Press(HWND dialog, int id) {
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    data = folder.path() / L"my games ñ";
    fs::create_directories(data);
    // The package's own folder as a user unzipped it, when the package is under test; otherwise
    // the programs of this build, copied into a folder of their own.
    if (const wchar_t* package = _wgetenv(L"QUILLET_PACKAGE_FOLDER")) {
      program_folder = DosPath(Narrow(package).c_str());
    } else {
      program_folder = folder.path() / L"Quillet prog ü";
      fs::create_directories(program_folder / L"tools");
      fs::copy_file(ThisFolder() / L"vardelm.exe", program_folder / L"vardelm.exe");
      for (const wchar_t* tool : {L"dcscram.exe", L"sh-elf-objcopy.exe"}) {
        fs::copy_file(ThisFolder() / L"tools" / tool, program_folder / L"tools" / tool);
      }
    }
    raw = Bytes(DosPath(QUILLET_SH_FIXTURES "/hello.bin"));
    patternless = Bytes(DosPath(QUILLET_SH_FIXTURES "/bare.bin"));
  }

  std::wstring Write(const std::wstring& name, const std::string& bytes) {
    std::ofstream(data / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return (data / name).wstring();
  }

  static std::wstring Control(HWND main, ControlId id) { return Text(GetDlgItem(main, id)); }
  static bool SettingsWritten() {
    return RegistryText(std::wstring(kSettingsKey) + L"\\Settings", L"MainLeft").has_value();
  }

  testing::TempFolder folder;
  fs::path program_folder, data;
  std::string raw;          // the real SH program as GNU objcopy makes it: an unscrambled raw binary
  std::string patternless;  // a real SH program without a C library: none of the patterns
};

TEST_F(WindowTest, IpBinIsRefusedAndTheProgramEnds) {
  // By its name, and by its content under another name.
  const std::string boot_header =
      ("SEGA SEGAKATANA " + std::string(0x50, ' ') + "1ST_READ.BIN    " + patternless).substr(0, 32768);
  for (const std::wstring& path : {Write(L"IP.BIN", raw), Write(L"boot.bin", boot_header)}) {
    Program program(program_folder, path);
    HWND box = program.Box(L"Halt - Ip.bin!");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"Please select a 1st_read.bin, not an Ip.bin!");
    EXPECT_EQ(program.Window(kMainClass, nullptr, true), nullptr) << "the window is never shown";
    Press(box, IDOK);
    EXPECT_EQ(program.ExitStatus(), 0u);
    EXPECT_FALSE(SettingsWritten());
  }
}

TEST_F(WindowTest, ElfOnTheCommandLineIsConvertedWithoutAWindow) {
  struct Row {
    int answer;
    std::wstring output;
    std::string bytes;
    std::wstring message;
  };
  for (const Row& row : std::vector<Row>{
           {IDYES, L"my game_scrambled.bin", Scrambled(raw),
            L"Done! my game.elf has been converted to my game_scrambled.bin."},
           {IDNO, L"my game_unscrambled.bin", raw, L"Done! my game.elf has been converted to my game_unscrambled.bin."},
           {IDCANCEL, L"", "", L""},
       }) {
    fs::remove_all(data);
    fs::create_directories(data);
    const std::wstring elf = Write(L"my game.elf", Bytes(DosPath(QUILLET_SH_FIXTURES "/hello.elf")));
    Program program(program_folder, elf);
    HWND question = program.Box(L"Converting an ELF");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(BoxText(question), L"Do you wish for a scrambled or unscrambled binary?");
    // Relabelled from inside the box's own message loop, a moment after it appears.
    EXPECT_TRUE(Eventually([&] {
      // With their access keys: Alt+S, Alt+U.
      return Text(GetDlgItem(question, IDYES)) == L"&Scrambled" && Text(GetDlgItem(question, IDNO)) == L"&Unscrambled";
    }));
    EXPECT_EQ(Text(GetDlgItem(question, IDCANCEL)), L"Cancel");
    EXPECT_EQ(program.Window(kMainClass, nullptr, true), nullptr);
    Press(question, row.answer);
    if (row.answer != IDCANCEL) {
      HWND done = program.Box(L"Success");
      ASSERT_NE(done, nullptr);
      EXPECT_EQ(BoxText(done), row.message);
      Press(done, IDOK);
    }
    EXPECT_EQ(program.ExitStatus(), 0u);
    std::vector<std::wstring> files;
    for (const auto& entry : fs::directory_iterator(data)) files.push_back(entry.path().filename().wstring());
    std::sort(files.begin(), files.end());
    std::vector<std::wstring> expected{L"my game.elf"};
    if (!row.output.empty()) expected.push_back(row.output);
    EXPECT_EQ(files, expected) << "no intermediate left behind";
    if (!row.output.empty()) {
      EXPECT_EQ(Bytes(data / row.output), row.bytes);
    }
    EXPECT_FALSE(SettingsWritten());
  }
}

// A path typed over the one whose verdict is shown, with mixed separators: judged first, converted
// by its own verdict (scrambled, where the window showed UNSCRAMBLED) into its own folder.
TEST_F(WindowTest, ATypedPathIsConvertedByItsOwnVerdictIntoItsOwnFolder) {
  fs::create_directories(data / L"sub");
  Write(L"sub\\game.bin", Scrambled(raw));
  Program program(program_folder, Write(L"1ST_READ.BIN", raw));  // scanned: UNSCRAMBLED
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  const std::wstring typed = data.wstring() + L"\\sub/game.bin";
  SendMessageW(GetDlgItem(main, kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED), 0);
  HWND done = program.Box(L"Completed...");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(
      BoxText(done),
      L"The scrambled to unscrambled conversion has\r\nbeen completed!\r\n\r\ngame_unscrambled.bin is the file name!");
  Press(done, IDOK);
  EXPECT_EQ(Control(main, kText2), L"SCRAMBLED") << "the typed file's own verdict";
  EXPECT_EQ(Bytes(data / L"sub" / L"game_unscrambled.bin"), raw);
  EXPECT_FALSE(fs::exists(data / L"sub" / L"game_scrambled.bin"));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0u);
}

// Files dropped as Explorer drops them: a DROPFILES block in the window's own process, posted with
// WM_DROPFILES.
void DropFiles(const Program& program, HWND window, const std::vector<std::wstring>& paths) {
  DROPFILES header{};
  header.pFiles = sizeof header;
  header.fWide = TRUE;
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  std::vector<char> block(sizeof header + names.size() * sizeof(wchar_t));
  std::memcpy(block.data(), &header, sizeof header);
  std::memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, program.Id());
  ASSERT_NE(process, nullptr);
  void* remote = VirtualAllocEx(process, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_NE(remote, nullptr);
  ASSERT_TRUE(WriteProcessMemory(process, remote, block.data(), block.size(), nullptr));
  CloseHandle(process);
  PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

TEST_F(WindowTest, EveryScenario) {
  const auto read = [](const char* name) {
    return Bytes(DosPath((std::string(QUILLET_SH_FIXTURES "/") + name).c_str()));
  };
  for (const testing::WindowScenario& row : testing::WindowScenarios()) {
    SCOPED_TRACE(row.name);
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    fs::remove_all(data);
    fs::create_directories(data);
    const std::string content = testing::ContentBytes(row.content, read);
    const std::wstring path = Write(Widen(row.name), content);
    if (row.earlier == testing::Earlier::kFile) {
      Write(Widen(row.result), testing::ContentBytes(testing::Content::kEarlier, read));
    }
    if (row.earlier == testing::Earlier::kFolder) fs::create_directory(data / L"locked_unscrambled.bin");
    const std::string data_prefix = Narrow(data.wstring()) + "\\";
    // The tests' own boot code vouched for, in the program's environment.
    wchar_t trusted[17] = L"";
    if (row.fix) swprintf(trusted, 17, L"%016llx", DiscBootAt(Narrow(path))->boot.header.boot_code);
    SetEnvironmentVariableW(L"QUILLET_TRUSTED_BOOT_CODE", row.fix ? trusted : nullptr);
    // Unquoted, blanks and all, as the right-click entry passes it.
    Program program(program_folder, row.arrival == testing::Arrival::kCommandLine ? path : L"");
    SetEnvironmentVariableW(L"QUILLET_TRUSTED_BOOT_CODE", nullptr);
    if (row.fix) {
      HWND question = program.Box(L"Quillet");
      ASSERT_NE(question, nullptr);
      EXPECT_TRUE(BoxText(question).ends_with(L"\r\n\r\nWrite a fixed copy, " + Widen(row.result) + L", beside it?"))
          << Narrow(BoxText(question));
      Press(question, IDYES);
      HWND written = program.Box(L"Success");
      ASSERT_NE(written, nullptr);
      EXPECT_EQ(BoxText(written), Widen(row.fixed) + (data / row.result).wstring());
      Press(written, IDOK);
    }
    HWND main = program.MainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(Text(main), L"Quillet 1.5");
    const auto focus = [&] {
      GUITHREADINFO thread{};
      thread.cbSize = sizeof thread;
      GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
      return thread.hwndFocus;
    };
    const auto browse = [&](const std::wstring& name) {
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommand1, BN_CLICKED), 0);
      HWND dialog = program.Box(L"Open");
      ASSERT_NE(dialog, nullptr);
      for (int id : {0x47C, 0x480}) {
        if (HWND box = GetDlgItem(dialog, id)) SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
      }
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
    if (row.arrival == testing::Arrival::kBrowse) browse(path);
    if (row.arrival == testing::Arrival::kDrop) DropFiles(program, main, {path, (data / L"other.bin").wstring()});
    EXPECT_TRUE(Eventually([&] { return Control(main, kText2) == Widen(row.verdict); }))
        << Narrow(Control(main, kText2));
    EXPECT_EQ(Control(main, kText1), path);
    // The caret at the end of the path: a long one shows the file's name.
    EXPECT_EQ(HIWORD(SendMessageW(GetDlgItem(main, kText1), EM_GETSEL, 0, 0)), path.size());
    EXPECT_EQ(Narrow(Control(main, kText3)),
              SizeText(static_cast<std::int64_t>(testing::ShownSize(row.content, read)), {",", "."}) +
                  testing::SizeOwner(row.content));
    EXPECT_TRUE(testing::Matches(row.disc, Narrow(Control(main, kText4)), data_prefix))
        << Narrow(Control(main, kText4));
    if (!row.replies.empty()) {
      // With Convert focused, Alt+B opens the Open dialog: cancelled, it changes nothing and the
      // focus goes back to Convert, where it was, so Space converts; so does the box that says the
      // conversion is done.
      HWND convert = GetDlgItem(main, kCommand3);
      // Tab from Browse, as a person moves the focus.
      PostMessageW(GetDlgItem(main, kCommand1), WM_KEYDOWN, VK_TAB, 1);
      PostMessageW(GetDlgItem(main, kCommand1), WM_KEYUP, VK_TAB, LPARAM{1} | LPARAM{3} << 30);
      EXPECT_TRUE(Eventually([&] { return focus() == convert; }));
      PostMessageW(convert, WM_SYSCHAR, L'b', LPARAM{1} << 29);
      HWND dialog = program.Box(L"Open");
      ASSERT_NE(dialog, nullptr);
      Press(dialog, IDCANCEL);
      EXPECT_TRUE(Eventually([&] { return program.Window(L"#32770", L"Open", true) == nullptr && focus() == convert; }))
          << "after Alt+B and Cancel";
      EXPECT_EQ(Control(main, kText2), Widen(row.verdict));
      PostMessageW(main, WM_COMMAND, MAKEWPARAM(kCommand3, BN_CLICKED), 0);
      // Each box Convert brings, answered in turn.
      for (const testing::Reply& reply : row.replies) {
        HWND box = program.Box(Widen(reply.title).c_str());
        ASSERT_NE(box, nullptr) << reply.text;
        const std::string said = Narrow(BoxText(box));
        EXPECT_TRUE(testing::Matches(reply.text, said, data_prefix)) << said;
        EXPECT_TRUE(said.find(".tmp") == std::string::npos && said.find(".quillet-") == std::string::npos)
            << "no temporary file is named: " << said;
        Press(box, reply.press == testing::Press::kYes ? IDYES : reply.press == testing::Press::kNo ? IDNO : IDOK);
        EXPECT_TRUE(Eventually([&] { return !IsWindow(box); }));
      }
      EXPECT_TRUE(Eventually([&] { return focus() == convert; })) << "after the message boxes";
    }
    if (row.result) {
      EXPECT_EQ(Bytes(data / row.result), testing::ContentBytes(row.result_content, read));
    }
    EXPECT_EQ(Bytes(path), content) << "the file as it was";
    // Nothing left behind but the file, and what was asked for.
    for (const auto& entry : fs::directory_iterator(data)) {
      const std::wstring name = entry.path().filename().wstring();
      EXPECT_TRUE(name == Widen(row.name) || (row.result && name == Widen(row.result)) ||
                  (row.earlier == testing::Earlier::kFolder && name == L"locked_unscrambled.bin"))
          << Narrow(name) << " was left";
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.ExitStatus(), 0u);
    EXPECT_TRUE(SettingsWritten()) << "closing stores the placement";
  }
}

TEST_F(WindowTest, ConvertIsDisabledWhenAToolIsMissing) {
  fs::remove(program_folder / L"tools" / L"sh-elf-objcopy.exe");
  fs::create_directory(program_folder / L"tools" / L"sh-elf-objcopy.exe");  // a folder does not count
  Program program(program_folder, L"");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, kCommand3)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, kCommand1)));
  // The boxes that only show are read-only, not disabled: greyed, their text in the window text's
  // colour, reached by Tab; each comes just after the label that names it to a screen reader.
  for (const auto& [box, label] : std::vector<std::pair<ControlId, const wchar_t*>>{
           {kText1, L"File name"}, {kText2, L"Type of bin"}, {kText3, L"File size"}, {kText4, L"Disc"}}) {
    HWND control = GetDlgItem(main, box);
    EXPECT_TRUE(IsWindowEnabled(control)) << Narrow(label);
    EXPECT_EQ((GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0, box != kText1) << Narrow(label);
    EXPECT_EQ(Text(GetWindow(control, GW_HWNDPREV)), label);
  }
  // Tab moves on from the disc's text area, the last stop, to Browse, as from any control.
  const auto focus = [&] {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
    return thread.hwndFocus;
  };
  PostMessageW(GetDlgItem(main, kText4), WM_KEYDOWN, VK_TAB, 1);
  EXPECT_TRUE(Eventually([&] { return focus() == GetDlgItem(main, kCommand1); }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0u);
}

// What `reg export` writes for `key`: the registry as any other program sees it, non-ASCII intact.
std::wstring RegExport(const std::wstring& key, const fs::path& file) {
  std::wstring command_line = L"reg.exe export \"" + key + L"\" \"" + file.wstring() + L"\" /y";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process)) {
    return L"";
  }
  WaitForSingleObject(process.hProcess, 20000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const std::string bytes = Bytes(file);  // UTF-16LE after a byte-order mark
  if (bytes.size() < 2) return L"";
  std::wstring text((bytes.size() - 2) / 2, L'\0');
  std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
  return text;
}

// A .reg file's spelling of a string value: backslashes and quotes escaped.
std::wstring RegString(const std::wstring& value) {
  std::wstring escaped;
  for (wchar_t c : value) {
    if (c == L'\\' || c == L'"') escaped += L'\\';
    escaped += c;
  }
  return L"\"" + escaped + L"\"";
}

bool KeyExists(const std::wstring& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  RegCloseKey(opened);
  return true;
}

TEST_F(WindowTest, RightClickEntriesAreWrittenForTheUserAndQuoted) {
  const std::wstring classes = L"Software\\Classes\\";
  RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L"SystemFileAssociations").c_str());
  // As an earlier version left them: under the extensions' own keys.
  for (const wchar_t* earlier :
       {L".bin\\shell\\Scan Dreamcast binary\\command", L".elf\\shell\\Convert to Dreamcast binary\\command"}) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, (classes + earlier).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegCloseKey(key);
  }
  Program program(program_folder, L"");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_COMMAND, IDM_OPTIONS_SHELL, 0);
  HWND question = program.Box(L"Continue?");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(BoxText(question), Widen(ShellQuestionText()));
  Press(question, IDYES);
  HWND done = program.Box(L"Success");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(BoxText(done), L"Quillet is now integrated into right-click menus.");
  Press(done, IDOK);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0u);

  const std::wstring command = L"\"" + (program_folder / L"vardelm.exe").wstring() + L"\" %1";
  const std::wstring exported =
      RegExport(L"HKEY_CURRENT_USER\\" + classes + L"SystemFileAssociations", folder.path() / L"export.reg");
  for (const wchar_t* key :
       {L"\\.bin\\shell\\Scan Dreamcast binary\\command]", L"\\.elf\\shell\\Convert to Dreamcast binary\\command]"}) {
    const std::wstring section =
        L"[HKEY_CURRENT_USER\\" + classes + L"SystemFileAssociations" + key + L"\r\n@=" + RegString(command) + L"\r\n";
    EXPECT_NE(exported.find(section), std::wstring::npos) << Narrow(section) << " in:\n" << Narrow(exported);
  }
  EXPECT_FALSE(KeyExists(classes + L".bin\\shell\\Scan Dreamcast binary"));
  EXPECT_FALSE(KeyExists(classes + L".elf\\shell\\Convert to Dreamcast binary"));

  // And taken away again from the window.
  Program again(program_folder, L"");
  main = again.MainWindow();
  ASSERT_NE(main, nullptr);
  PostMessageW(main, WM_COMMAND, IDM_OPTIONS_SHELL_REMOVE, 0);
  question = again.Box(L"Continue?");
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(BoxText(question), Widen(ShellRemovalQuestionText()));
  Press(question, IDYES);
  done = again.Box(L"Success");
  ASSERT_NE(done, nullptr);
  EXPECT_EQ(BoxText(done), L"Quillet's right-click entries have been removed.");
  Press(done, IDOK);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(again.ExitStatus(), 0u);
  for (const wchar_t* key : {L".bin\\shell\\Scan Dreamcast binary", L".elf\\shell\\Convert to Dreamcast binary",
                             L".chd\\shell\\Scan Dreamcast binary"}) {
    EXPECT_FALSE(KeyExists(classes + L"SystemFileAssociations\\" + key)) << Narrow(key);
  }
}

// .bin nearly always belongs to a disc-image program: the entry must show all the same. Wine's shell
// reads verbs only under the extension's program, never under SystemFileAssociations, so this runs
// on Windows alone.
TEST_F(WindowTest, TheScanEntryStartsTheWindowWhenBinBelongsToAnotherProgram) {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
    GTEST_SKIP() << "Wine's ShellExecuteEx does not consult SystemFileAssociations";
  }
  const std::wstring classes = L"Software\\Classes\\";
  const std::wstring command = L"\"" + (program_folder / L"vardelm.exe").wstring() + L"\" %1";
  RegSetKeyValueW(HKEY_CURRENT_USER, (classes + L".bin").c_str(), nullptr, REG_SZ, L"DiscImager.Image",
                  sizeof L"DiscImager.Image");
  const std::wstring other = L"\"C:\\windows\\notepad.exe\" \"%1\"";
  RegSetKeyValueW(HKEY_CURRENT_USER, (classes + L"DiscImager.Image\\shell\\open\\command").c_str(), nullptr, REG_SZ,
                  other.c_str(), static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
  RegSetKeyValueW(HKEY_CURRENT_USER,
                  (classes + L"SystemFileAssociations\\.bin\\shell\\Scan Dreamcast binary\\command").c_str(), nullptr,
                  REG_SZ, command.c_str(), static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  const std::wstring path = Write(L"1ST_READ.BIN", raw);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  execute.lpVerb = L"Scan Dreamcast binary";
  execute.lpFile = path.c_str();
  execute.nShow = SW_SHOWNORMAL;
  const BOOL started = ShellExecuteExW(&execute);
  RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L".bin").c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L"DiscImager.Image").c_str());
  RegDeleteTreeW(HKEY_CURRENT_USER, (classes + L"SystemFileAssociations").c_str());
  ASSERT_TRUE(started && execute.hProcess) << "the shell found no verb: " << GetLastError();
  Program program(execute.hProcess);
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(Control(main, kText1), path);
  EXPECT_EQ(Control(main, kText2), L"UNSCRAMBLED");
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0u);
}

TEST_F(WindowTest, ClosingWhileMinimisedStoresNothing) {
  Program program(program_folder, L"");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_MINIMIZE);
  ASSERT_TRUE(Eventually([&] { return IsIconic(main) != 0; }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.ExitStatus(), 0u);
  EXPECT_FALSE(SettingsWritten());
}

TEST(VersionRecordTest, NamesTheProductAndItsVersion) {
  const std::wstring program = (ThisFolder() / L"vardelm.exe").wstring();
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeW(program.c_str(), &ignored));
  ASSERT_FALSE(record.empty());
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));
  struct Row {
    const wchar_t* name;
    const wchar_t* value;
  };
  for (const Row& row : std::vector<Row>{{L"ProductName", L"Quillet"},
                                         {L"FileVersion", L"1.03.0001"},
                                         {L"ProductVersion", L"1.03.0001"},
                                         {L"InternalName", L"vardelm"},
                                         {L"OriginalFilename", L"vardelm.exe"}}) {
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(record.data(), (std::wstring(L"\\StringFileInfo\\040904B0\\") + row.name).c_str(),
                               reinterpret_cast<void**>(&value), &length))
        << Narrow(row.name);
    EXPECT_EQ(std::wstring(value), row.value);
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(1, 0));
}

}  // namespace
}  // namespace quillet
