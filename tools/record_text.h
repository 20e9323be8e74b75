// A record's fields as text: the CSV writer shared by `orvex dump` and
// `orvex query --csv`, and the plain text of one field.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class COrvex;

namespace orvextool {

// How chunk fields appear in CSV: their size alone, or also their bytes.
enum class ChunkForm { kSize, kHex, kBase64 };

// Reads "--chunks=size|hex|base64"; false for anything else.
bool ParseChunkForm(const std::string& flag, ChunkForm* form);

// The current record's field as text: integers in decimal, float and double
// as the shortest text that reads back to the same bits, bool as 0 or 1,
// text up to its first NUL. Empty for chunk fields and unreadable fields.
std::string FieldText(COrvex& db, int field);

// Writes the records of one open table as CSV (RFC 4180, CR LF line ends):
// a header row of field names (a chunk field gives NAME:size and, unless
// only sizes are asked, NAME:hex or NAME:base64), then one row per record.
class CsvWriter {
 public:
  CsvWriter(COrvex& db, ChunkForm chunks, std::ostream& out);
  void WriteHeader();
  // Writes the table's current record as one row, always ended. False when
  // a chunk could not be read whole; *failedField then names its field and
  // the row holds what was written before it.
  bool WriteRow(int* failedField);

 private:
  bool WriteChunk(int field);

  COrvex& db_;
  ChunkForm chunks_;
  std::ostream& out_;
  std::vector<uint8_t> buffer_;
};

}  // namespace orvextool
