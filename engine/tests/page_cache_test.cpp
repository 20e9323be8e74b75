#include "io/page_cache.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "test_util.h"

using namespace orvex;
using orvex_test::MemFs;
using orvex_test::TempDir;

namespace {

// Random writes of random lengths, mirrored in a reference image; appends
// only at the end, as the engine does.
void RandomWrites(Store& s, std::vector<uint8_t>& ref, int count, uint32_t seed) {
  std::mt19937 rng(seed);
  for (int i = 0; i < count; ++i) {
    size_t len = 1 + rng() % 9000;
    int64_t at = ref.empty() || rng() % 3 == 0 ? static_cast<int64_t>(ref.size())
                                                : static_cast<int64_t>(rng() % ref.size());
    std::vector<uint8_t> data(len);
    for (auto& b : data) b = static_cast<uint8_t>(rng());
    ASSERT_TRUE(s.Write(at, data.data(), len));
    if (ref.size() < at + len) ref.resize(at + len);
    std::memcpy(ref.data() + at, data.data(), len);
  }
}

}  // namespace

TEST(PageCache, FileHoldsExactlyWhatWasWrittenAfterCommit) {
  for (size_t cache : {size_t{0}, size_t{4 * kPageSize}, kDefaultCacheBytes}) {
    TempDir dir;
    auto s = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, cache);
    ASSERT_NE(s, nullptr);
    std::vector<uint8_t> ref;
    RandomWrites(*s, ref, 300, 7);
    EXPECT_EQ(s->Size(), static_cast<int64_t>(ref.size()));
    std::vector<uint8_t> back(ref.size());
    ASSERT_EQ(s->Read(0, back.data(), back.size()), static_cast<int64_t>(ref.size()));
    EXPECT_EQ(back, ref) << "cache " << cache;
    std::string why;
    ASSERT_TRUE(s->Commit(&why)) << why;
    EXPECT_EQ(orvex_test::ReadBytes(dir.File("f")), ref) << "cache " << cache;
  }
}

TEST(PageCache, ReadsStopAtTheEndOfTheFile) {
  TempDir dir;
  auto s = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, kDefaultCacheBytes);
  ASSERT_TRUE(s->Write(0, "hello", 5));
  char buf[10] = {};
  EXPECT_EQ(s->Read(3, buf, 10), 2);
  EXPECT_EQ(s->Read(5, buf, 10), 0);
  EXPECT_EQ(s->Read(-4, buf, 1), -1);
}

TEST(PageCache, TwoOpenersOfOneFileSeeEachOthersWrites) {
  TempDir dir;
  auto a = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, kDefaultCacheBytes);
  ASSERT_TRUE(a->Write(0, "first", 5));
  auto b = Store::Open(PosixFileSystem(), dir.File("f").c_str(), 0x42, kDefaultCacheBytes);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(a->shared(), b->shared());
  char buf[6] = {};
  ASSERT_EQ(b->Read(0, buf, 5), 5);
  EXPECT_STREQ(buf, "first");
  ASSERT_TRUE(b->Write(0, "again", 5));
  ASSERT_EQ(a->Read(0, buf, 5), 5);
  EXPECT_STREQ(buf, "again");
}

// What was written after the last commit is undone when the last handle
// goes: the file keeps only what a commit made durable.
TEST(PageCache, LastCloserKeepsOnlyWhatWasCommitted) {
  TempDir dir;
  {
    auto a = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, kDefaultCacheBytes);
    ASSERT_TRUE(a->Write(0, "kept", 4));
    std::string why;
    ASSERT_TRUE(a->Commit(&why)) << why;
    ASSERT_TRUE(a->Write(2, "stale, longer", 13));
  }
  EXPECT_EQ(orvex_test::ReadBytes(dir.File("f")), (std::vector<uint8_t>{'k', 'e', 'p', 't'}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("f-journal")));
}

TEST(PageCache, ReadOnlyOpenerCannotWriteButSharesTheCache) {
  TempDir dir;
  auto a = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, kDefaultCacheBytes);
  ASSERT_TRUE(a->Write(0, "data", 4));
  auto r = Store::Open(PosixFileSystem(), dir.File("f").c_str(), 0x40, kDefaultCacheBytes);
  ASSERT_NE(r, nullptr);
  EXPECT_FALSE(r->Write(0, "nope", 4));
  char buf[5] = {};
  ASSERT_EQ(r->Read(0, buf, 4), 4);
  EXPECT_STREQ(buf, "data");
}

// Cutting a file that another handle of the process has open would leave
// that handle writing its stale pages into the new file: refused.
TEST(PageCache, ATruncatingOpenerOfAnOpenFileIsRefused) {
  TempDir dir;
  auto a = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, kDefaultCacheBytes);
  std::vector<uint8_t> big(3 * kPageSize, 7);
  ASSERT_TRUE(a->Write(0, big.data(), big.size()));
  std::string why;
  StoreOptions o;
  EXPECT_EQ(Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, o, &why), nullptr);
  EXPECT_EQ(why, "another object of this process has the file open");
  EXPECT_EQ(a->Size(), static_cast<int64_t>(big.size()));
  ASSERT_TRUE(a->Commit(&why)) << why;
  a.reset();
  EXPECT_EQ(orvex_test::ReadBytes(dir.File("f")), big);
}

TEST(PageCache, EvictionKeepsTheCacheWithinItsCapacity) {
  TempDir dir;
  auto s = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, 8 * kPageSize);
  std::vector<uint8_t> ref;
  RandomWrites(*s, ref, 200, 3);
  EXPECT_LE(s->shared()->CachedPages(), 8u);
  std::vector<uint8_t> back(ref.size());
  ASSERT_EQ(s->Read(0, back.data(), back.size()), static_cast<int64_t>(ref.size()));
  EXPECT_EQ(back, ref);
}

// A commit whose write fails is reported, and leaves the file and the
// cache at the last commit; the next commit starts from there.
TEST(PageCache, AFailedCommitIsReportedAndRolledBack) {
  MemFs fs;
  auto s = Store::Open(&fs, "f", kModeCreateDb, kDefaultCacheBytes);
  ASSERT_TRUE(s->Write(0, "abc", 3));
  fs.writesLeft = 0;
  std::string why;
  EXPECT_FALSE(s->Commit(&why));
  EXPECT_EQ(why, "can't write file: No space left on device");
  EXPECT_TRUE(fs.Bytes("f").empty());
  EXPECT_EQ(s->Size(), 0);
  fs.writesLeft = -1;
  ASSERT_TRUE(s->Write(0, "xy", 2));
  EXPECT_TRUE(s->Commit(&why)) << why;
  EXPECT_EQ(fs.Bytes("f"), (std::vector<uint8_t>{'x', 'y'}));
}

TEST(PageCache, WithoutCacheAFailedWriteFailsAtOnce) {
  MemFs fs;
  auto s = Store::Open(&fs, "f", kModeCreateDb, 0);
  fs.writesLeft = 1;
  EXPECT_TRUE(s->Write(0, "a", 1));
  EXPECT_FALSE(s->Write(1, "b", 1));
  EXPECT_EQ(s->Size(), 1);
}

TEST(PageCache, OpenersInTwoThreadsShareOneFileSafely) {
  TempDir dir;
  std::string path = dir.File("f");
  auto a = Store::Open(PosixFileSystem(), path.c_str(), kModeCreateDb, 8 * kPageSize);
  std::vector<uint8_t> zero(64 * kPageSize, 0);
  ASSERT_TRUE(a->Write(0, zero.data(), zero.size()));
  auto b = Store::Open(PosixFileSystem(), path.c_str(), 0x42, 8 * kPageSize);
  auto work = [](Store* s, uint8_t mark, int64_t base) {
    std::vector<uint8_t> buf(1000, mark), back(1000);
    for (int i = 0; i < 2000; ++i) {
      int64_t at = base + (i * 7919) % (30 * kPageSize);
      if (!s->Write(at, buf.data(), buf.size())) return false;
      if (s->Read(at, back.data(), back.size()) != 1000 || back != buf) return false;
    }
    return true;
  };
  bool okA = false, okB = false;
  std::thread ta([&] { okA = work(a.get(), 1, 0); });
  std::thread tb([&] { okB = work(b.get(), 2, 32 * kPageSize); });
  ta.join();
  tb.join();
  EXPECT_TRUE(okA);
  EXPECT_TRUE(okB);
  EXPECT_LE(a->shared()->CachedPages(), 8u);
}

// Peek hands out the cached bytes of a read inside one page, and declines
// (null) exactly where a caller must fall back to a plain read: across a
// page boundary, past the end, without a cache, and for a small read of an
// uncached page once the cache is full. Prefetch never changes a byte.
TEST(PageCache, PeekServesCachedBytesAndDeclinesTheRest) {
  for (size_t cache : {size_t{0}, size_t{2 * kPageSize}, kDefaultCacheBytes}) {
    TempDir dir;
    auto s = Store::Open(PosixFileSystem(), dir.File("f").c_str(), kModeCreateDb, cache);
    ASSERT_NE(s, nullptr);
    std::vector<uint8_t> ref;
    RandomWrites(*s, ref, 120, 11);
    ASSERT_GT(ref.size(), 4 * kPageSize);
    std::mt19937 rng(5);
    int served = 0;
    for (int i = 0; i < 400; ++i) {
      const int64_t at = static_cast<int64_t>(rng() % ref.size());
      const size_t n = 1 + rng() % 600;
      const bool fits = at + static_cast<int64_t>(n) <= static_cast<int64_t>(ref.size());
      const bool onePage = at % static_cast<int64_t>(kPageSize) + n <= kPageSize;
      SharedFile::Reader r(s->shared());
      r.Prefetch(at, n);
      const uint8_t* p = r.Peek(at, n);
      if (cache == 0 || !fits || !onePage) {
        EXPECT_EQ(p, nullptr) << at << "+" << n;
        continue;
      }
      if (cache == kDefaultCacheBytes) {
        EXPECT_NE(p, nullptr) << at << "+" << n;
      }
      if (!p) continue;
      ++served;
      EXPECT_EQ(std::memcmp(p, ref.data() + at, n), 0) << at << "+" << n;
    }
    if (cache != 0) {
      EXPECT_GT(served, 0);
    }
    EXPECT_LE(s->shared()->CachedPages(), cache / kPageSize);
    std::vector<uint8_t> back(ref.size());
    ASSERT_EQ(s->Read(0, back.data(), back.size()), static_cast<int64_t>(ref.size()));
    EXPECT_EQ(back, ref);
  }
}

// Random writes, large and small, over a file much larger than the cache,
// with commits between them; the process stops at a random write,
// sometimes with a power cut. The file a new process opens holds exactly
// the bytes of the last commit. With streams, appends at the end are
// stream writes (whose pages past the last commit are written back at once)
// in a cache large enough to reuse their frames.
namespace {
void StopAtAnyWrite(bool streams) {
  std::mt19937 rng(streams ? 22 : 21);
  const size_t cache = (streams ? 24 : 2) * kPageSize;
  for (int round = 0; round < 40; ++round) {
    MemFs fs;
    std::vector<uint8_t> committed, ref;
    const int stopAt = 30 + static_cast<int>(rng() % 400);
    {
      auto s = Store::Open(&fs, "f", kModeCreateDb, cache);
      ASSERT_NE(s, nullptr);
      std::vector<uint8_t> base(12 * kPageSize);
      for (auto& b : base) b = static_cast<uint8_t>(rng());
      ASSERT_TRUE(s->Write(0, base.data(), base.size()));
      std::string why;
      ASSERT_TRUE(s->Commit(&why)) << why;
      committed = ref = base;
      fs.stopAtWrite = fs.writes + stopAt;
      while (!fs.stopped) {
        if (rng() % 40 == 0) {
          if (s->Commit(&why)) committed = ref;
          continue;
        }
        const size_t len = rng() % 4 == 0 ? 1 + rng() % 9000 : 1 + rng() % 300;
        const bool append = rng() % (streams ? 2 : 5) == 0;
        const int64_t at = append ? static_cast<int64_t>(ref.size()) : static_cast<int64_t>(rng() % ref.size());
        std::vector<uint8_t> data(len);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        if (!s->Write(at, data.data(), len, streams && append)) break;
        if (ref.size() < at + len) ref.resize(at + len);
        std::memcpy(ref.data() + at, data.data(), len);
      }
    }
    fs.Restart(round % 2 == 1, static_cast<uint32_t>(round));
    auto r = Store::Open(&fs, "f", 0x42, cache);
    ASSERT_NE(r, nullptr);
    std::vector<uint8_t> back(static_cast<size_t>(r->Size()));
    ASSERT_EQ(r->Read(0, back.data(), back.size()), static_cast<int64_t>(back.size()));
    EXPECT_TRUE(back == committed) << "round " << round << ": " << back.size() << " bytes, committed "
                                   << committed.size();
  }
}
}  // namespace

TEST(PageCache, AStopAtAnyWriteLeavesTheBytesOfACommit) {
  StopAtAnyWrite(false);
  StopAtAnyWrite(true);
}

// A long stream of appends (a large value written in pieces, its block
// header rewritten behind it, small records between values) reads back
// whole before and after the commit, and passes through a few frames
// instead of filling the cache.
TEST(PageCache, StreamedAppendsReadBackAndPassThroughFewFrames) {
  for (bool commitFirst : {false, true}) {
    MemFs fs;
    auto s = Store::Open(&fs, "f", kModeCreateDb, 256 * kPageSize);
    std::vector<uint8_t> ref(20000, 0x5a);
    ASSERT_TRUE(s->Write(0, ref.data(), ref.size()));
    std::string why;
    if (commitFirst) {
      ASSERT_TRUE(s->Commit(&why)) << why;
    }
    std::mt19937 rng(5);
    auto put = [&](int64_t at, const std::vector<uint8_t>& d, bool stream) {
      ASSERT_TRUE(s->Write(at, d.data(), d.size(), stream));
      if (ref.size() < at + d.size()) ref.resize(at + d.size());
      std::memcpy(ref.data() + at, d.data(), d.size());
    };
    for (int value = 0; value < 40; ++value) {
      const int64_t header = static_cast<int64_t>(ref.size());
      put(header, std::vector<uint8_t>(8, static_cast<uint8_t>(value)), false);
      for (int piece = 0; piece < 64; ++piece) {
        std::vector<uint8_t> d(4096);
        for (auto& b : d) b = static_cast<uint8_t>(rng());
        put(static_cast<int64_t>(ref.size()), d, true);
        put(header, std::vector<uint8_t>(8, static_cast<uint8_t>(piece)), false);
      }
      put(static_cast<int64_t>(ref.size()), std::vector<uint8_t>(40 + value, 0x11), false);
      // An early part of the file is read now and then, as an index is.
      std::vector<uint8_t> early(300);
      ASSERT_EQ(s->Read(1000, early.data(), early.size()), 300);
      EXPECT_TRUE(std::equal(early.begin(), early.end(), ref.begin() + 1000));
    }
    EXPECT_LT(s->shared()->CachedPages(), 64u);
    std::vector<uint8_t> back(ref.size());
    ASSERT_EQ(s->Read(0, back.data(), back.size(), true), static_cast<int64_t>(ref.size()));
    EXPECT_TRUE(back == ref);
    ASSERT_TRUE(s->Commit(&why)) << why;
    EXPECT_TRUE(fs.Bytes("f") == ref);
  }
}

// Bytes between the end of the file and a write past it read as zeros,
// whether their page is cached or not, before and after a commit.
TEST(PageCache, AGapBeforeAWritePastTheEndReadsAsZeros) {
  MemFs fs;
  // Ten frames, all filled with other bytes and then dropped by the
  // rollback, so that the pages below reuse them unzeroed.
  auto s = Store::Open(&fs, "f", kModeCreateDb, 10 * kPageSize);
  std::vector<uint8_t> ref(kPageSize + 100, 0xee);
  ASSERT_TRUE(s->Write(0, ref.data(), ref.size()));
  std::vector<uint8_t> junk(kPageSize, 0xff);
  for (int i = 0; i < 40; ++i) ASSERT_TRUE(s->Write(int64_t{i % 8 + 4} * kPageSize, junk.data(), junk.size()));
  std::string why;
  ASSERT_TRUE(s->shared()->Rollback(&why)) << why;
  ASSERT_TRUE(s->Write(0, ref.data(), ref.size()));
  const std::vector<uint8_t> tail(2000, 0x33);  // above the size written past a full cache
  for (int64_t at : {int64_t{kPageSize} + 300, int64_t{3 * kPageSize} + 77, int64_t{5 * kPageSize}}) {
    ASSERT_TRUE(s->Write(at, tail.data(), tail.size()));
    ref.resize(static_cast<size_t>(at), 0);
    ref.insert(ref.end(), tail.begin(), tail.end());
  }
  std::vector<uint8_t> back(ref.size());
  ASSERT_EQ(s->Read(0, back.data(), back.size()), static_cast<int64_t>(ref.size()));
  EXPECT_TRUE(back == ref);
  ASSERT_TRUE(s->Commit(&why)) << why;
  EXPECT_TRUE(fs.Bytes("f") == ref);
}

// A stream read takes a whole page the cache does not hold straight from
// the file, without a frame; what it reads is still every page's current
// bytes: dirty pages in the cache, pages written back by evictions, pages
// of the last commit, and the gap before a write past the end.
TEST(PageCache, AStreamReadOfWholePagesSeesEveryPagesCurrentBytes) {
  MemFs fs;
  auto s = Store::Open(&fs, "f", kModeCreateDb, 6 * kPageSize);
  std::vector<uint8_t> ref(20 * kPageSize + 123);
  std::mt19937 rng(9);
  for (auto& b : ref) b = static_cast<uint8_t>(rng());
  ASSERT_TRUE(s->Write(0, ref.data(), ref.size()));
  std::string why;
  ASSERT_TRUE(s->Commit(&why)) << why;
  // Changes after the commit: some pages evicted (saved and written back),
  // the last few still dirty in the cache.
  std::vector<uint8_t> piece(3000);
  for (int i = 0; i < 30; ++i) {
    for (auto& b : piece) b = static_cast<uint8_t>(rng());
    const int64_t at = static_cast<int64_t>(rng() % (ref.size() - piece.size()));
    ASSERT_TRUE(s->Write(at, piece.data(), piece.size()));
    std::copy(piece.begin(), piece.end(), ref.begin() + at);
  }
  // A write past the end leaves a gap of two pages that reads as zeros.
  const int64_t far = static_cast<int64_t>(ref.size()) + 2 * kPageSize;
  ASSERT_TRUE(s->Write(far, piece.data(), piece.size()));
  ref.resize(static_cast<size_t>(far), 0);
  ref.insert(ref.end(), piece.begin(), piece.end());
  const size_t cachedBefore = s->shared()->CachedPages();
  for (int64_t from : {int64_t{0}, int64_t{kPageSize}, int64_t{100}}) {
    std::vector<uint8_t> back(ref.size() - static_cast<size_t>(from), 0xCD);
    ASSERT_EQ(s->Read(from, back.data(), back.size(), true), static_cast<int64_t>(back.size()));
    EXPECT_TRUE(std::equal(back.begin(), back.end(), ref.begin() + from)) << "from " << from;
  }
  EXPECT_LE(s->shared()->CachedPages(), cachedBefore + 2);  // at most the partial pages at the ends
  ASSERT_TRUE(s->Commit(&why)) << why;
  EXPECT_TRUE(fs.Bytes("f") == ref);
}

// A long streamed write sends its whole pages past the last commit straight
// to the file, around pages the cache holds: what reads back, what a commit
// keeps and what a rollback drops are as if every byte went through frames.
TEST(PageCache, LongStreamedWritesReadBackCommitAndRollBack) {
  MemFs fs;
  auto s = Store::Open(&fs, "f", kModeCreateDb, 16 * kPageSize);
  std::vector<uint8_t> ref(20000, 0x42);
  ASSERT_TRUE(s->Write(0, ref.data(), ref.size()));
  std::string why;
  ASSERT_TRUE(s->Commit(&why)) << why;
  std::mt19937 rng(21);
  auto put = [&](int64_t at, size_t n, bool stream) {
    std::vector<uint8_t> d(n);
    for (auto& b : d) b = static_cast<uint8_t>(rng());
    ASSERT_TRUE(s->Write(at, d.data(), d.size(), stream));
    if (ref.size() < at + n) ref.resize(at + n);
    std::copy(d.begin(), d.end(), ref.begin() + at);
  };
  put(static_cast<int64_t>(ref.size()), 10 * kPageSize + 777, true);
  // A page inside that run is cached (and dirty), then the run is streamed
  // over again: the page goes through its frame, the others to the file.
  put(4 * int64_t{kPageSize} + 100, 50, false);
  put(kPageSize, 9 * kPageSize, true);
  put(static_cast<int64_t>(ref.size()), 3 * kPageSize, true);
  EXPECT_LE(s->shared()->CachedPages(), 4u);
  for (bool stream : {false, true}) {
    std::vector<uint8_t> back(ref.size(), 0xCD);
    ASSERT_EQ(s->Read(0, back.data(), back.size(), stream), static_cast<int64_t>(ref.size()));
    EXPECT_TRUE(back == ref) << "stream read " << stream;
  }
  ASSERT_TRUE(s->Commit(&why)) << why;
  EXPECT_TRUE(fs.Bytes("f") == ref);
  // Pages streamed past this commit are dropped by a rollback.
  const std::vector<uint8_t> kept = ref;
  put(static_cast<int64_t>(ref.size()), 8 * kPageSize + 5, true);
  ASSERT_TRUE(s->shared()->Rollback(&why)) << why;
  EXPECT_TRUE(fs.Bytes("f") == kept);
  std::vector<uint8_t> back(kept.size());
  ASSERT_EQ(s->Read(0, back.data(), back.size()), static_cast<int64_t>(kept.size()));
  EXPECT_TRUE(back == kept);
}
