// `orvex dump` and `orvex compact`: the commands that work through the
// engine itself (info and check read files through the independent reader).
#pragma once

#include <iosfwd>

#include "record_text.h"

namespace orvextool {

// Writes every live record of the file in key-0 order as CSV (RFC 4180) to
// out, with a header row of field names; problems go to err. Returns the
// exit status: 0 done, 1 the dump stopped early (damage), 2 unreadable file.
int Dump(const char* path, ChunkForm chunks, std::ostream& out, std::ostream& err);

// Compacts source into destination, printing what was done to out and a
// progress line to err when progress is true. Returns the exit status.
int Compact(const char* source, const char* destination, bool progress, std::ostream& out, std::ostream& err);

}  // namespace orvextool
