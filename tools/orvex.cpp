// orvex: command-line tool for Orvex database files.
//
//   orvex info FILE    schema, record count and form, free-list heads, file size
//   orvex check FILE   verifies every index, chain and free list; prints each
//                      violation with its node offset
//
// Exit status: 0 when all is well, 1 when violations were found (or `info`
// found a header that cannot be a database), 2 for usage or unreadable files.
#include <cstring>
#include <iostream>
#include <string>

#include "orvexcheck.h"

namespace {

int Usage() {
  std::cerr << "usage: orvex info FILE\n"
               "       orvex check FILE\n";
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
  if (argc != 3) return Usage();
  const std::string command = argv[1];
  if (command != "info" && command != "check") return Usage();
  orvexfile::File file;
  std::string error;
  if (!file.Open(argv[2], &error)) {
    std::cerr << "orvex: " << error << "\n";
    return 2;
  }
  if (command == "info") return orvexfile::Describe(file, std::cout) ? 0 : 1;
  return RunCheck(file);
}
