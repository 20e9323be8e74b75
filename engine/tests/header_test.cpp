#include "format/header.h"

#include <gtest/gtest.h>

using namespace orvex;

namespace {

// A valid header: id int, name text 20, unique key on id, text key on name.
Header Good() {
  Header h;
  h.ClearIndexRoots();
  std::strcpy(h.fieldName(0), "id");
  h.setFieldType(0, kTypeInt);
  h.setFieldSize(0, 4);
  std::strcpy(h.fieldName(1), "name");
  h.setFieldType(1, kTypeText);
  h.setFieldSize(1, 20);
  h.setFieldCount(2);
  h.setRecordLength(24);
  std::strcpy(h.keyName(0), "id");
  h.setKeyAttribute(0, 2);
  h.setPartField(0, 0, 0);
  h.setPartLength(0, 0, 4);
  h.setPartCountStored(0, -1);
  std::strcpy(h.keyName(1), "name");
  h.setKeyAttribute(1, 1);
  h.setPartField(1, 0, 1);
  h.setPartLength(1, 0, 20);
  h.setPartMode(1, 0, 1);
  h.setPartCountStored(1, -1);
  h.setKeyCount(2);
  h.setRecordFreeHead(-1);
  h.setDupFreeHead(-1);
  h.setChunkFreeHead(-1);
  return h;
}

}  // namespace

TEST(Header, AccessorsWriteAtTheDocumentedOffsets) {
  Header h;
  h.setRecordFreeHead(0x11223344);
  h.setDupFreeHead(0x55667788);
  h.setChunkFreeHead(0x01020304);
  h.setRecordForm(-1);
  h.setKeyCount(3);
  h.setFieldCount(5);
  h.setRoot(9, 77);
  h.setPartLength(2, 5, 9);
  EXPECT_EQ(Load32(h.bytes() + 15372), 0x11223344);
  EXPECT_EQ(Load32(h.bytes() + 15376), 0x55667788);
  EXPECT_EQ(Load32(h.bytes() + 15452), 0x01020304);
  EXPECT_EQ(Load16(h.bytes() + 15380), -1);
  EXPECT_EQ(Load16(h.bytes() + 15250), 3);
  EXPECT_EQ(Load16(h.bytes() + 4648), 5);
  EXPECT_EQ(Load32(h.bytes() + 15252 + 36), 77);
  EXPECT_EQ(Load16(h.bytes() + 12670 + (2 * 128 + 5) * 2), 9);
}

TEST(Header, KeyLengthAndFieldOffsetsAddUp) {
  Header h = Good();
  EXPECT_EQ(h.keyLength(0), 4);
  EXPECT_EQ(h.keyLength(1), 20);
  EXPECT_EQ(h.fieldOffset(0), 0);
  EXPECT_EQ(h.fieldOffset(1), 4);
  EXPECT_EQ(h.partCount(0), 1);
}

TEST(HeaderValidation, AcceptsAGoodHeader) { EXPECT_EQ(ValidateHeader(Good(), kHeaderSize), nullptr); }

TEST(HeaderValidation, RefusesWhatCannotBeADatabase) {
  EXPECT_NE(ValidateHeader(Good(), kHeaderSize - 1), nullptr);
  struct Case {
    const char* what;
    void (*spoil)(Header&);
  } cases[] = {
      {"field count", [](Header& h) { h.setFieldCount(129); }},
      {"negative field count", [](Header& h) { h.setFieldCount(-3); }},
      {"type", [](Header& h) { h.setFieldType(1, 9); }},
      {"text size", [](Header& h) { h.setFieldSize(1, 0); h.setRecordLength(4); }},
      {"int size", [](Header& h) { h.setFieldSize(0, 8); h.setRecordLength(28); }},
      {"record length", [](Header& h) { h.setRecordLength(25); }},
      {"record count", [](Header& h) { h.setRecordCount(-1); }},
      {"record form", [](Header& h) { h.setRecordForm(3); }},
      {"key count", [](Header& h) { h.setKeyCount(11); }},
      {"attribute", [](Header& h) { h.setKeyAttribute(0, 3); }},
      {"part count", [](Header& h) { h.setPartCountStored(0, 1); }},
      {"part field", [](Header& h) { h.setPartField(1, 0, 2); }},
      {"key length", [](Header& h) { h.setPartLength(1, 0, 129); }},
      {"slice start", [](Header& h) { h.setPartStart(1, 0, 20); }},
      {"name without NUL", [](Header& h) { std::memset(h.fieldName(0), 'x', 32); }},
      {"root outside", [](Header& h) { h.setRoot(0, 99999); h.setFirstLeaf(0, 15472); h.setLastLeaf(0, 15472); }},
      {"root in header", [](Header& h) { h.setRoot(0, 100); h.setFirstLeaf(0, 100); h.setLastLeaf(0, 100); }},
      {"roots disagree", [](Header& h) { h.setRoot(0, -1); h.setFirstLeaf(0, 15472); }},
      {"free head", [](Header& h) { h.setRecordFreeHead(1 << 30); }},
  };
  for (const auto& c : cases) {
    Header h = Good();
    c.spoil(h);
    EXPECT_NE(ValidateHeader(h, 20000), nullptr) << c.what;
  }
}

TEST(HeaderValidation, FreeHeadsOfZeroOrBelowMeanEmpty) {
  Header h = Good();
  h.setChunkFreeHead(0);
  h.setRecordFreeHead(-7);
  EXPECT_EQ(ValidateHeader(h, kHeaderSize), nullptr);
}
