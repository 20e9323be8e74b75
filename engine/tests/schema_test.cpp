#include "format/schema.h"

#include <gtest/gtest.h>

using namespace orvex;

namespace {

void AddField(Header& h, int i, int type, int size) {
  h.setFieldType(i, type);
  h.setFieldSize(i, size);
  h.setFieldCount(i + 1);
}

void AddKey(Header& h, int k, int field, int length) {
  h.setKeyAttribute(k, 1);
  h.setPartField(k, 0, field);
  h.setPartLength(k, 0, length);
  h.setPartCountStored(k, -1);
  h.setKeyCount(k + 1);
}

}  // namespace

TEST(Schema, NodeTypeAndSizeFollowTheKeyKind) {
  Header h;
  int types[] = {kTypeBool, kTypeShort, kTypeInt, kTypeFloat, kTypeDouble, kTypeText, kTypeAutoInc};
  int sizes[] = {1, 2, 4, 4, 8, 40, 4};
  for (int i = 0; i < 7; ++i) {
    AddField(h, i, types[i], sizes[i]);
    AddKey(h, i, i, types[i] == kTypeText ? 33 : sizes[i]);
  }
  Schema s;
  BuildSchema(h, &s);
  EXPECT_EQ(s.key[0].nodeSize, 1832);
  EXPECT_EQ(s.key[1].nodeSize, 2032);
  EXPECT_EQ(s.key[2].nodeSize, 2432);
  EXPECT_EQ(s.key[3].nodeSize, 2432);
  EXPECT_EQ(s.key[4].nodeSize, 3240);
  EXPECT_EQ(s.key[4].keysAt, 1632);
  EXPECT_EQ(s.key[5].nodeSize, 1632 + 201 * 34);
  EXPECT_EQ(s.key[5].kind, kNodeChar);
  EXPECT_EQ(s.key[6].kind, kNodeInt);
  EXPECT_EQ(s.recordLength, 1 + 2 + 4 + 4 + 8 + 40 + 4);
  EXPECT_EQ(s.offset[5], 19);
  EXPECT_EQ(s.textFields, 1);
}

TEST(Schema, MultiFieldKeyUsesTextNodesAndPacksItsParts) {
  Header h;
  AddField(h, 0, kTypeInt, 4);
  AddField(h, 1, kTypeText, 10);
  h.setKeyAttribute(0, 2);
  h.setPartField(0, 0, 1);
  h.setPartLength(0, 0, 6);
  h.setPartMode(0, 0, 2);
  h.setPartField(0, 1, 0);
  h.setPartLength(0, 1, 4);
  h.setPartCountStored(0, 2);
  h.setKeyCount(1);
  Schema s;
  BuildSchema(h, &s);
  const KeyDef& d = s.key[0];
  EXPECT_TRUE(d.multi);
  EXPECT_EQ(d.kind, kNodeChar);
  EXPECT_EQ(d.length, 10);
  EXPECT_EQ(d.part[1].valueAt, 6);
  EXPECT_EQ(d.part[1].offset, 0);
  EXPECT_EQ(d.part[0].offset, 4);
  EXPECT_EQ(d.nodeSize, 1632 + 201 * 11);
}
