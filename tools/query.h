// `orvex query`: a clause of the query language run on a database file.
#pragma once

#include <iosfwd>

#include "record_text.h"

namespace orvextool {

// How the selection is printed: an aligned table, or CSV as `orvex dump`
// writes it (with chunks in the given form).
struct QueryOutput {
  bool csv = false;
  ChunkForm chunks = ChunkForm::kSize;
};

// Opens the file read-only, runs the clause through COrvexQuery and prints
// the selected records in the query's order. The table form has the field
// names as its header, chunk fields shown by their size, control characters
// as \n, \r, \t or \xHH, and ends with the count of records. Returns the
// exit status: 0 done, 1 the clause was refused (its error text goes to err)
// or the walk stopped early, 2 unreadable file.
int Query(const char* path, const char* clause, const QueryOutput& form, std::ostream& out, std::ostream& err);

}  // namespace orvextool
