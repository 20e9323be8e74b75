// Consistency check and description of an Orvex database file, built on the
// independent reader in orvexfile.h.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "orvexfile.h"

namespace orvexfile {

struct CheckReport {
  std::vector<Violation> violations;  // at most kMaxReported are kept
  long long violationCount = 0;       // all that were found
  long long nodes = 0;                // index nodes visited
  long long liveEntries = 0;          // records reached through key 0
  bool clean() const { return violationCount == 0; }
};

constexpr size_t kMaxReported = 10000;

// Verifies the header, every index (order inside nodes and along each level,
// parent and sibling links, first and last leaf, internal keys equal to the
// largest key of their child, counts of at most 200, offsets inside the file),
// the records reached from the leaves (block well formed, key value equal to
// the entry's), duplicate chains (tag, links, head's last pointer), the live
// entries per key against the record count, the three free lists (inside
// the file, no cycle, no live block listed), chunk chains (inside the file, no
// cycle, no block on the free list or shared by two records, capacities that
// hold the size), and that no two of these structures share a byte. Every
// walk is bounded.
CheckReport Check(const File& file);

// Prints the schema, record count, record form, free-list heads and file size.
// False when the header is not that of a database (what could be read is still
// printed, the problems too).
bool Describe(const File& file, std::ostream& out);

// One line for a violation: "node OFFSET: key K "name": what".
std::string FormatViolation(const Header& header, const Violation& v);

}  // namespace orvexfile
