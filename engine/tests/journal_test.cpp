// The rollback journal: its header and records, and playback onto a file.
#include "io/journal.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "base/endian.h"
#include "test_util.h"

using namespace orvex;
using orvex_test::MemFs;

namespace {

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> b(n);
  for (auto& x : b) x = static_cast<uint8_t>(rng());
  return b;
}

// A database file of the given bytes in fs, synced, opened for writing.
std::unique_ptr<File> Db(MemFs& fs, const std::vector<uint8_t>& bytes) {
  auto f = fs.Open("db", kModeCreate | 2);
  EXPECT_TRUE(f->Write(0, bytes.data(), bytes.size()));
  EXPECT_TRUE(f->Sync());
  return f;
}

}  // namespace

TEST(JournalFormat, HeaderReadsBackAndAnyDamageUnmakesIt) {
  JournalHeader h;
  h.dbSize = 15472 + 9000;
  h.salt = 0x0123456789abcdefull;
  uint8_t b[kJournalHeaderSize];
  FormatJournalHeader(h, b);
  JournalHeader back;
  ASSERT_TRUE(ParseJournalHeader(b, &back));
  EXPECT_EQ(back.dbSize, h.dbSize);
  EXPECT_EQ(back.salt, h.salt);
  for (int i = 0; i < kJournalHeaderSize; ++i) {
    uint8_t d[kJournalHeaderSize];
    std::memcpy(d, b, sizeof d);
    d[i] ^= 0x10;
    EXPECT_FALSE(ParseJournalHeader(d, &back)) << "byte " << i;
  }
  const uint8_t zero[kJournalHeaderSize] = {};
  EXPECT_FALSE(ParseJournalHeader(zero, &back));
  h.dbSize = 0;
  FormatJournalHeader(h, b);
  EXPECT_FALSE(ParseJournalHeader(b, &back));
}

TEST(JournalFormat, RecordsCheckAgainstTheirOwnTransactionOnly) {
  JournalHeader h;
  h.dbSize = 5 * kJournalPageSize + 100;
  h.salt = 77;
  std::vector<uint8_t> rec(kJournalRecordSize);
  Store64(rec.data(), 5 * kJournalPageSize);
  auto page = Pattern(kJournalPageSize, 1);
  std::memcpy(rec.data() + 8, page.data(), page.size());
  SealJournalRecord(h, rec.data());
  int64_t at = -1;
  ASSERT_TRUE(OpenJournalRecord(h, rec.data(), &at));
  EXPECT_EQ(at, 5 * kJournalPageSize);
  for (size_t i : {size_t{0}, size_t{8}, size_t{2000}, size_t{4103}, size_t{4104}, size_t{4111}}) {
    auto d = rec;
    d[i] ^= 1;
    EXPECT_FALSE(OpenJournalRecord(h, d.data(), &at)) << "byte " << i;
  }
  JournalHeader other = h;
  other.salt = 78;
  EXPECT_FALSE(OpenJournalRecord(other, rec.data(), &at));
  // Offsets off the page grid or at or past the committed size are refused
  // even with a sound checksum.
  for (int64_t bad : {int64_t{4095}, int64_t{6} * kJournalPageSize, int64_t{-4096}}) {
    Store64(rec.data(), bad);
    SealJournalRecord(h, rec.data());
    EXPECT_FALSE(OpenJournalRecord(h, rec.data(), &at)) << bad;
  }
}

// Pages saved, the database then overwritten and grown: playback puts back
// every saved byte and cuts what was appended, then removes the journal.
TEST(Journal, PlaybackRestoresTheLastCommit) {
  MemFs fs;
  const auto committed = Pattern(3 * kJournalPageSize + 1000, 2);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  for (int64_t page : {3, 0, 1}) ASSERT_TRUE(j.Save(db.get(), page));
  EXPECT_TRUE(j.Saved(0) && j.Saved(1) && j.Saved(3));
  EXPECT_FALSE(j.Saved(2));
  ASSERT_TRUE(j.Sync());
  auto changed = Pattern(6 * kJournalPageSize, 3);
  std::memcpy(changed.data() + 2 * kJournalPageSize, committed.data() + 2 * kJournalPageSize, kJournalPageSize);
  ASSERT_TRUE(db->Write(0, changed.data(), changed.size()));
  EXPECT_TRUE(JournalIsHot(&fs, "db-journal"));
  int64_t restored = 0;
  int err = 0;
  ASSERT_TRUE(PlayBackJournal(&fs, "db-journal", db.get(), &restored, &err));
  EXPECT_EQ(restored, 3);
  EXPECT_EQ(fs.Bytes("db"), committed);
  EXPECT_FALSE(fs.Exists("db-journal"));
}

// A record torn by the crash, and everything after it, is ignored: it was
// never synced, so the database pages it names were never written.
TEST(Journal, PlaybackStopsAtATornRecord) {
  MemFs fs;
  const auto committed = Pattern(4 * kJournalPageSize, 4);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 0));
  ASSERT_TRUE(j.Save(db.get(), 1));
  ASSERT_TRUE(j.Sync());
  auto& bytes = fs.Bytes("db-journal");
  ASSERT_EQ(bytes.size(), static_cast<size_t>(kJournalHeaderSize + 2 * kJournalRecordSize));
  bytes[kJournalHeaderSize + kJournalRecordSize + 100] ^= 0xff;  // the second record
  auto changed = committed;
  changed[5] ^= 1;
  changed[kJournalPageSize + 5] ^= 1;
  ASSERT_TRUE(db->Write(0, changed.data(), changed.size()));
  int64_t restored = 0;
  int err = 0;
  ASSERT_TRUE(PlayBackJournal(&fs, "db-journal", db.get(), &restored, &err));
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(fs.Bytes("db")[5], committed[5]);
  EXPECT_EQ(fs.Bytes("db")[kJournalPageSize + 5], changed[kJournalPageSize + 5]);
}

// Ending a transaction zeroes the header: the journal holds nothing to play
// back, and the next transaction's records do not take the old ones for
// theirs.
TEST(Journal, AnEndedJournalIsNotPlayedBack) {
  MemFs fs;
  const auto committed = Pattern(2 * kJournalPageSize, 5);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 0));
  ASSERT_TRUE(j.Save(db.get(), 1));
  ASSERT_TRUE(j.Sync());
  ASSERT_TRUE(j.End());
  EXPECT_FALSE(j.active());
  EXPECT_FALSE(JournalIsHot(&fs, "db-journal"));
  // The next transaction saves one page; the old second record is still in
  // the file but belongs to another salt.
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 0));
  ASSERT_TRUE(j.Sync());
  auto changed = Pattern(2 * kJournalPageSize, 6);
  ASSERT_TRUE(db->Write(0, changed.data(), changed.size()));
  int64_t restored = 0;
  int err = 0;
  ASSERT_TRUE(PlayBackJournal(&fs, "db-journal", db.get(), &restored, &err));
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(std::memcmp(fs.Bytes("db").data(), committed.data(), kJournalPageSize), 0);
  EXPECT_EQ(std::memcmp(fs.Bytes("db").data() + kJournalPageSize, changed.data() + kJournalPageSize,
                        kJournalPageSize),
            0);
}

// Restore undoes the transaction in place even after End zeroed the header
// and failed to make that durable.
TEST(Journal, RestoreAfterAFailedEnd) {
  MemFs fs;
  const auto committed = Pattern(2 * kJournalPageSize + 10, 7);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 2));
  ASSERT_TRUE(j.Sync());
  auto changed = Pattern(5 * kJournalPageSize, 8);
  ASSERT_TRUE(db->Write(0, changed.data(), changed.size()));
  fs.syncsLeft = 0;
  EXPECT_FALSE(j.End());
  EXPECT_TRUE(j.active());
  fs.syncsLeft = -1;
  ASSERT_TRUE(j.Restore(db.get()));
  EXPECT_FALSE(j.active());
  const auto& now = fs.Bytes("db");
  ASSERT_EQ(now.size(), committed.size());
  EXPECT_EQ(std::memcmp(now.data() + 2 * kJournalPageSize, committed.data() + 2 * kJournalPageSize, 10), 0);
  EXPECT_FALSE(JournalIsHot(&fs, "db-journal"));
}

TEST(Journal, AFailedJournalWriteLeavesThePagesUnsaved) {
  MemFs fs;
  const auto committed = Pattern(2 * kJournalPageSize, 9);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 1));
  fs.failSuffix = "-journal";
  fs.writesLeft = 0;
  fs.diskFull = true;
  EXPECT_FALSE(j.Sync());
  EXPECT_EQ(j.LastError(), ENOSPC);
  EXPECT_FALSE(j.Saved(1));
}

// The first write of a transaction carries its header: when it fails, the
// header stays queued, so that records written later never take its place.
TEST(Journal, AFailedFirstWriteKeepsTheHeaderForTheNext) {
  MemFs fs;
  const auto committed = Pattern(3 * kJournalPageSize, 10);
  auto db = Db(fs, committed);
  Journal j(&fs, "db-journal");
  ASSERT_TRUE(j.Begin(static_cast<int64_t>(committed.size())));
  ASSERT_TRUE(j.Save(db.get(), 0));
  fs.failSuffix = "-journal";
  fs.writesLeft = 0;
  fs.once = true;
  EXPECT_FALSE(j.Sync());
  ASSERT_TRUE(j.Save(db.get(), 2));
  ASSERT_TRUE(j.Sync());
  EXPECT_TRUE(JournalIsHot(&fs, "db-journal"));
  auto changed = Pattern(3 * kJournalPageSize, 11);
  ASSERT_TRUE(db->Write(0, changed.data(), changed.size()));
  int64_t restored = 0;
  int err = 0;
  ASSERT_TRUE(PlayBackJournal(&fs, "db-journal", db.get(), &restored, &err));
  EXPECT_EQ(restored, 1);
  EXPECT_EQ(std::memcmp(fs.Bytes("db").data() + 2 * kJournalPageSize, committed.data() + 2 * kJournalPageSize,
                        kJournalPageSize),
            0);
}
