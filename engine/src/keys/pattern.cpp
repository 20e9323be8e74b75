#include "keys/pattern.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace orvex {
namespace {

class Matcher {
 public:
  Matcher(const char* text, bool caseSensitive)
      : t_(reinterpret_cast<const uint8_t*>(text)), tn_(std::strlen(text)), fold_(!caseSensitive) {}

  size_t textLength() const { return tn_; }

  uint8_t Fold(uint8_t c) const { return fold_ && c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c; }
  // Pattern byte pc against text byte tc ("_" matches any).
  bool Same(uint8_t pc, uint8_t tc) const { return pc == '_' || Fold(pc) == Fold(tc); }

  // Whether the segment (m bytes, no "%") matches the text at s.
  bool SegmentAt(size_t s, const uint8_t* seg, size_t m) const {
    for (size_t k = 0; k < m; ++k)
      if (!Same(seg[k], t_[s + k])) return false;
    return true;
  }

  // The leftmost place s >= from where the segment matches; -1 when none.
  // A segment without "_" is found by the Knuth-Morris-Pratt search. A "_"
  // breaks the failure table's premise (a wildcard border is no border of
  // the text), so such a segment is tried at every place instead.
  int64_t Find(size_t from, const uint8_t* seg, size_t m) const {
    if (m > tn_ - from) return -1;
    if (std::memchr(seg, '_', m)) {
      for (size_t s = from; s + m <= tn_; ++s)
        if (SegmentAt(s, seg, m)) return static_cast<int64_t>(s);
      return -1;
    }
    // f[k]: length of the longest proper border of seg[0..k).
    int64_t local[kLocalTable];
    std::vector<int64_t> heap;
    int64_t* f = local;
    if (m + 1 > kLocalTable) {
      heap.resize(m + 1);
      f = heap.data();
    }
    f[0] = -1;
    int64_t b = -1;
    for (size_t k = 0; k < m; ++k) {
      while (b >= 0 && Fold(seg[b]) != Fold(seg[k])) b = f[b];
      f[k + 1] = ++b;
    }
    int64_t k = 0;
    for (size_t s = from; s < tn_; ++s) {
      while (k >= 0 && Fold(seg[k]) != Fold(t_[s])) k = f[k];
      if (static_cast<size_t>(++k) == m) return static_cast<int64_t>(s + 1 - m);
    }
    return -1;
  }

  uint8_t At(size_t j) const { return t_[j]; }

 private:
  static constexpr size_t kLocalTable = 256;
  const uint8_t* t_;
  size_t tn_;
  bool fold_;
};

}  // namespace

bool MatchPattern(const char* text, const char* pattern, bool caseSensitive) {
  if (!text || !pattern) return false;
  const Matcher m(text, caseSensitive);
  const auto* p = reinterpret_cast<const uint8_t*>(pattern);
  const size_t pn = std::strlen(pattern);
  const size_t tn = m.textLength();
  if (pn == 0) return tn == 0;
  size_t i = 0;  // pattern position
  size_t j = 0;  // text position
  while (i < pn) {
    if (p[i] != '%') {
      // A plain character or "_" takes one text character; the pattern's
      // last one must also end the text.
      if (j >= tn || !m.Same(p[i], m.At(j))) return false;
      ++i;
      ++j;
      if (i == pn) return j == tn;
      continue;
    }
    while (i < pn && p[i] == '%') ++i;
    if (i == pn) return true;  // a trailing "%" takes the rest
    size_t end = i;
    while (end < pn && p[end] != '%') ++end;
    const size_t len = end - i;
    if (tn - j < len) return false;
    if (end == pn) {
      // The last segment sits at the very end of the text.
      return m.SegmentAt(tn - len, p + i, len);
    }
    // A middle segment: its leftmost occurrence leaves the most text for
    // the rest of the pattern.
    const int64_t at = m.Find(j, p + i, len);
    if (at < 0) return false;
    j = static_cast<size_t>(at) + len;
    i = end;
  }
  return true;
}

}  // namespace orvex
