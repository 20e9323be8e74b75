#include "io/file.h"

#include <gtest/gtest.h>

#include "test_util.h"

using namespace orvex;
using orvex_test::TempDir;

TEST(PosixFile, MissingFileIsNotOpenedWithoutCreate) {
  TempDir dir;
  EXPECT_EQ(PosixFileSystem()->Open(dir.File("none").c_str(), 2), nullptr);
  EXPECT_EQ(PosixFileSystem()->Open("", 2), nullptr);
  EXPECT_EQ(PosixFileSystem()->Open(nullptr, 2), nullptr);
}

TEST(PosixFile, DirectoryIsRefused) {
  TempDir dir;
  EXPECT_EQ(PosixFileSystem()->Open(dir.File("").c_str(), 0), nullptr);
}

TEST(PosixFile, ReadsComeBackShortAtTheEnd) {
  TempDir dir;
  auto f = PosixFileSystem()->Open(dir.File("a").c_str(), kModeCreateDb);
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(f->Write(0, "abcdef", 6));
  char buf[16] = {};
  EXPECT_EQ(f->Read(2, buf, 16), 4);
  EXPECT_STREQ(buf, "cdef");
  EXPECT_EQ(f->Read(6, buf, 4), 0);
  EXPECT_EQ(f->Read(-1, buf, 4), -1);
  EXPECT_EQ(f->Size(), 6);
}

TEST(PosixFile, ReadOnlyHandleRefusesWrites) {
  TempDir dir;
  orvex_test::WriteBytes(dir.File("a"), {1, 2, 3});
  auto f = PosixFileSystem()->Open(dir.File("a").c_str(), 0x40);
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(f->Writable());
  EXPECT_FALSE(f->Write(0, "x", 1));
  EXPECT_EQ(orvex_test::ReadBytes(dir.File("a")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(PosixFile, CreateTruncatesUnlessAskedNotTo) {
  TempDir dir;
  orvex_test::WriteBytes(dir.File("a"), {1, 2, 3});
  auto keep = PosixFileSystem()->Open(dir.File("a").c_str(), kModeCreate | kModeNoTruncate | 2);
  ASSERT_NE(keep, nullptr);
  EXPECT_EQ(keep->Size(), 3);
  auto cut = PosixFileSystem()->Open(dir.File("a").c_str(), kModeCreateDb);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(cut->Size(), 0);
}

TEST(PosixFile, TwoHandlesOnOneFileShareTheirIdentity) {
  TempDir dir;
  orvex_test::WriteBytes(dir.File("a"), {1});
  orvex_test::WriteBytes(dir.File("b"), {1});
  auto a1 = PosixFileSystem()->Open(dir.File("a").c_str(), 2);
  auto a2 = PosixFileSystem()->Open(dir.File("a").c_str(), 0);
  auto b = PosixFileSystem()->Open(dir.File("b").c_str(), 2);
  EXPECT_TRUE(a1->Identity() == a2->Identity());
  EXPECT_FALSE(a1->Identity() == b->Identity());
}
