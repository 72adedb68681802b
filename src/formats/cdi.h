#pragma once

#include <cstddef>
#include <cstdint>

#include "formats/table_of_contents.h"
#include "util/byte_source.h"

// A DiscJuggler image (.cdi), read-only: the tracks' data one after the other from the file's
// start, then a table of sessions and tracks, then an 8-byte trailer that gives the table's
// version and where it begins.
namespace quillet {

// True when the last 8 bytes are a trailer of a known version (2, 3 or 3.5) that points inside the
// image, at a table that begins as a table of tracks does.
bool IsCdiImage(const ByteSource& image);

// The image's table of contents, its tracks' bytes in the image itself. Raises run-time error 5
// saying what is wrong where the table is cut or malformed; no field sizes an allocation or a loop
// beyond fixed caps.
TableOfContents CdiContents(const ByteSource& image);

}  // namespace quillet
