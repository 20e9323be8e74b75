// The pattern matcher of pattern search (GetLike, GetNotLike) and of the
// query language's LIKE and NOT LIKE.
//
// "%" matches any run of characters (also none), "_" exactly one character;
// every other byte stands for itself. A run of "%" counts as one. Without
// caseSensitive the letters A..Z match a..z; no other byte is folded.
#ifndef ORVEX_KEYS_PATTERN_H_
#define ORVEX_KEYS_PATTERN_H_

namespace orvex {

// Whether the NUL-terminated text matches the NUL-terminated pattern. A null
// text or pattern never matches; the empty pattern matches only the empty
// text. Any length is accepted; the cost is linear in the text for patterns
// without "_" in their middle segments.
bool MatchPattern(const char* text, const char* pattern, bool caseSensitive);

}  // namespace orvex

#endif  // ORVEX_KEYS_PATTERN_H_
