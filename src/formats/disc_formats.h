#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// The disc image formats Quillet reads, one row each: every list of them a program shows (the
// refusal of another format, the Open dialog's filter, the right-click menu's extensions, the MIME
// types, --help) comes from this table, or a test holds it to the table.
namespace quillet {

struct DiscFormatRow {
  DiscFormat format;
  std::string_view extension;    // its files' names end in a dot and this, in any case: "cdi"
  std::string_view listed;       // as a list of the formats names it: "CDI", "GD-ROM (.gdi)"
  std::string_view image_words;  // "a CDI image"
  std::string_view table_words;  // what a sentence calls its table of tracks: "the cue sheet", "the image"
  std::string_view described;    // as a file manager describes such a file: "DiscJuggler disc image"
  std::string_view mime_type;    // the type the shared MIME database gives such a file, where it has one
  std::string_view mime_parent;  // what such a file is otherwise: "application/octet-stream"
  bool right_click;              // "Scan Dreamcast binary" is offered for its files

  // What kind of disc image it is.
  bool set_of_files;    // a table of tracks and the track files it names (a .gdi, a cue sheet)
  bool lone_track;      // one data track alone, which lies wherever it is burned or dumped (an ISO)
  bool keeps_sessions;  // its table keeps a CD-R's sessions (a CHD keeps none)
  bool loses_sessions;  // it may hold a CD-R whose sessions were lost (a CHD; a cue sheet without
                        // its session lines, as chdman extractcd writes one)
  bool records_closed;  // its table records whether a CD-R was closed (DiscJuggler's)
  DiscFormat fixed_as;  // what its fixed copy is: itself, or a cue sheet (a CHD's, which is read-only)

  int told_order;                            // its content is looked at in this order: the surest sign first
  bool (*told)(const ByteSource& source);    // whether `source` is of this format, by its content
  TableOfContents (*contents)(TrackFiles&);  // its reader
  // The track files a set's table names, as it names them; nothing for another format.
  std::vector<std::string> (*track_files)(const ByteSource& table);
};

// Every format, in the order a person lists them.
std::span<const DiscFormatRow> DiscFormats();
const DiscFormatRow& RowOf(DiscFormat format);

// "CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images".
std::string FormatsReadWords();

// The formats' name patterns, "*.cdi" and so on, joined by `separator`.
std::string FormatPatterns(std::string_view separator);

}  // namespace quillet
