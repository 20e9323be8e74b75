// Helpers of the tool and engine tests in tools/tests: running the `orvex`
// program and judging a file with the independent checker.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "orvexcheck.h"
#include "orvexfile.h"

namespace orvextest {

struct ToolResult {
  int status;
  std::string out;  // standard output (with standard error when errFile is empty)
  std::string err;  // standard error, when errFile was given
};

// Runs the orvex program at `tool` with args; standard error goes to errFile
// (and is read back) or, when errFile is empty, with standard output.
inline ToolResult RunTool(const std::string& tool, const std::string& args, const std::string& errFile = "") {
  ToolResult r{-1, "", ""};
  const std::string redirect = errFile.empty() ? " 2>&1" : " 2>" + errFile;
  FILE* p = popen((tool + " " + args + redirect).c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  if (!errFile.empty()) {
    std::ifstream in(errFile);
    r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return r;
}

// Whether the file at path checks clean; the first violation otherwise.
inline ::testing::AssertionResult ChecksClean(const std::string& path) {
  orvexfile::File file;
  std::string error;
  if (!file.Open(path, &error)) return ::testing::AssertionFailure() << path << ": " << error;
  orvexfile::Header h;
  std::vector<orvexfile::Violation> problems;
  if (!orvexfile::ReadHeader(file, &h, &problems))
    return ::testing::AssertionFailure() << path << ": header: " << (problems.empty() ? "" : problems[0].what);
  const orvexfile::CheckReport r = orvexfile::Check(file);
  if (!r.clean()) return ::testing::AssertionFailure() << path << ": " << orvexfile::FormatViolation(h, r.violations[0]);
  return ::testing::AssertionSuccess();
}

}  // namespace orvextest
