// orvex: command-line tool for Orvex database files.
//
//   orvex info FILE    schema, record count and form, free-list heads, file size
//   orvex check FILE   verifies every index, chain and free list; prints each
//                      violation with its node offset
//   (info and check also report a journal left beside FILE by a commit that
//   did not end, and read the file as the next open will restore it)
//   orvex compact SOURCE DESTINATION
//                      writes a tight copy; prints records copied, the file
//                      sizes before and after and the time taken
//   orvex dump [--chunks=size|hex|base64] FILE
//                      every live record in key-0 order as CSV
//   orvex query [--csv [--chunks=size|hex|base64]] FILE CLAUSE
//                      the records a clause selects, as an aligned table
//                      with their count, or as CSV like dump
//
// Exit status: 0 when all is well, 1 when violations or a journal to play
// back were found (or `info` found a header that cannot be a database, a
// compaction or a dump failed, or a clause was refused), 2 for usage or
// unreadable files.
#include <cstring>
#include <iostream>
#include <string>

#include <unistd.h>

#include "dump.h"
#include "orvexcheck.h"
#include "orvexjournal.h"
#include "query.h"

namespace {

int Usage() {
  std::cerr << "usage: orvex info FILE\n"
               "       orvex check FILE\n"
               "       orvex compact SOURCE DESTINATION\n"
               "       orvex dump [--chunks=size|hex|base64] FILE\n"
               "       orvex query [--csv [--chunks=size|hex|base64]] FILE CLAUSE\n";
  return 2;
}

int RunCheck(const orvexfile::File& file) {
  const orvexfile::CheckReport report = orvexfile::Check(file);
  orvexfile::Header header;
  std::vector<orvexfile::Violation> ignored;
  orvexfile::ReadHeader(file, &header, &ignored);
  for (const orvexfile::Violation& v : report.violations) {
    std::cout << orvexfile::FormatViolation(header, v) << "\n";
  }
  if (report.violationCount > static_cast<long long>(report.violations.size())) {
    std::cout << "... and " << report.violationCount - static_cast<long long>(report.violations.size())
              << " more\n";
  }
  if (report.clean()) {
    std::cout << "clean: " << header.keys.size() << " keys, " << report.nodes << " index nodes, "
              << report.liveEntries << " records\n";
    return 0;
  }
  std::cout << report.violationCount << " violations\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "compact") == 0) {
    if (argc != 4) return Usage();
    return orvextool::Compact(argv[2], argv[3], isatty(STDERR_FILENO) != 0, std::cout, std::cerr);
  }
  if (argc >= 2 && std::strcmp(argv[1], "dump") == 0) {
    orvextool::ChunkForm form = orvextool::ChunkForm::kSize;
    int at = 2;
    if (argc == 4) {
      if (!orvextool::ParseChunkForm(argv[2], &form)) return Usage();
      at = 3;
    } else if (argc != 3) {
      return Usage();
    }
    return orvextool::Dump(argv[at], form, std::cout, std::cerr);
  }
  if (argc >= 2 && std::strcmp(argv[1], "query") == 0) {
    orvextool::QueryOutput form;
    int at = 2;
    if (at < argc && std::strcmp(argv[at], "--csv") == 0) {
      form.csv = true;
      ++at;
      if (at < argc && std::strncmp(argv[at], "--chunks=", 9) == 0) {
        if (!orvextool::ParseChunkForm(argv[at], &form.chunks)) return Usage();
        ++at;
      }
    }
    if (argc - at != 2) return Usage();
    return orvextool::Query(argv[at], argv[at + 1], form, std::cout, std::cerr);
  }
  if (argc != 3) return Usage();
  const std::string command = argv[1];
  if (command != "info" && command != "check") return Usage();
  orvexfile::File file;
  std::string error;
  orvexfile::JournalReport journal;
  std::vector<uint8_t> restored;
  if (!file.Open(argv[2], &error) || !orvexfile::ReadJournal(argv[2], file, &journal, &restored, &error)) {
    std::cerr << "orvex: " << error << "\n";
    return 2;
  }
  // A journal with a sound header means the bytes on disk are not (all)
  // those of a commit: it is reported, and the file is read as playing it
  // back leaves it. check counts it as a finding.
  const std::string note = orvexfile::DescribeJournal(journal);
  if (!note.empty()) std::cout << note << "\n";
  if (journal.hot) file.Assign(std::move(restored));
  if (command == "info") return orvexfile::Describe(file, std::cout) ? 0 : 1;
  const int status = RunCheck(file);
  return journal.hot && status == 0 ? 1 : status;
}
