#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// The disc image formats Quillet reads, one row each: every list of them a program shows (the
// refusal of another format, the Open dialog's filter, the right-click menu's extensions, the MIME
// types, --help) comes from this table, or a test holds it to the table.
namespace quillet {

struct DiscFormatRow {
  DiscFormat format;
  std::string_view extension;                // its files' names end in a dot and this, in any case: "cdi"
  std::string_view listed;                   // as a list of the formats names it: "CDI", "GD-ROM (.gdi)"
  std::string_view image_words;              // "a CDI image"
  std::string_view described;                // as a file manager describes such a file: "DiscJuggler disc image"
  std::string_view mime_parent;              // what such a file is otherwise: "application/octet-stream"
  bool right_click;                          // "Scan Dreamcast binary" is offered for its files
  int told_order;                            // its content is looked at in this order: the surest sign first
  bool (*told)(const ByteSource& source);    // whether `source` is of this format, by its content
  TableOfContents (*contents)(TrackFiles&);  // its reader
};

// Every format, in the order a person lists them.
std::span<const DiscFormatRow> DiscFormats();
const DiscFormatRow& RowOf(DiscFormat format);

// "CDI, ISO, GD-ROM (.gdi), cue sheet (.cue) and CHD images".
std::string FormatsReadWords();

// The formats' name patterns, "*.cdi" and so on, joined by `separator`.
std::string FormatPatterns(std::string_view separator);

}  // namespace quillet
