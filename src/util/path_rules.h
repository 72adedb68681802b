#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Rules for cutting path text, in two styles: Windows (both "\" and "/" separate, drive roots)
// and POSIX ("/" only; a backslash is an ordinary character). The style is always a parameter,
// so the Windows rules run and are tested on any machine. Paths are UTF-8; positions count
// characters, not bytes.
namespace quillet {

enum class PathStyle { Windows, Posix };

// "\" when a Windows path holds a backslash anywhere, otherwise "/"; always "/" for POSIX.
std::string PathSeparator(std::string_view path, PathStyle style);

// The first (position of the last `separator` + offset) characters of `path`; the separator is
// found from the end without regard to (ASCII) case, and its position is 0 when it is absent.
// Raises run-time error 5 when that count is negative (with offset -1: no separator in the path)
// and 6 when it leaves the 32-bit range.
std::string ParentPath(std::string_view path, std::string_view separator, std::int16_t offset);

// The text before the last separator, where a file's results belong: on Windows "\" and "/"
// both count, so "C:\dev\sub/game.bin" is in "C:\dev\sub". Nothing for a bare name.
std::optional<std::string> ContainingFolder(std::string_view path, PathStyle style);

// `name` in `folder` (in the current folder when there is none), joined with the style's own
// separator: "\" on Windows, "/" elsewhere.
std::string PathIn(const std::optional<std::string>& folder, std::string_view name, PathStyle style);

// The path `name` (a table's name of a file beside it, "\" and "/" both separating) names inside
// a folder, its parts joined by "/": "tracks/x.bin" for "tracks\x.bin", "." parts left out.
// Nothing where it leads out of the folder (a ".." part, a root, a drive) or names no file in it.
std::optional<std::string> PathInsideFolder(std::string_view name);

// The file's name after its last separator, up to its first ".". Raises run-time error 9 when
// that name is empty (an empty path, or one that ends in a separator).
std::string BaseName(std::string_view path, PathStyle style);

// The file's name after its last separator, extension included (a dialog's "file title").
std::string_view FileTitle(std::string_view path, PathStyle style);

// A file title up to its first dot, where results named after it begin ("game" of "game.elf"); a
// leading dot, a hidden file's, is part of it (".game" of ".game.elf").
std::string_view TitleStem(std::string_view title);

// What FileExists decides for a Windows path. A path that ends in ":\" is a drive root and exists
// when its letter is among `drive_roots` (in any case); `drive_roots` lists the roots as
// GetLogicalDriveStrings does ("C:\", NUL, "D:\", NUL, NUL). Any other non-empty path exists when
// `any_entry_matches` finds a directory entry for it (wildcards included, as FindFirstFile does).
bool WindowsFileExists(std::string_view path, const std::function<std::string()>& drive_roots,
                       const std::function<bool(std::string_view)>& any_entry_matches);

}  // namespace quillet
