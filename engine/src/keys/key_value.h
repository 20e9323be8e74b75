// Key values: forming them from records and comparing them.
//
// A key value is the concatenation of its parts in part order: a short,
// int, auto-increment, float, double or bool part as the field's stored
// bytes, a text part as its slice (length bytes from the start offset; the
// part of a slice that runs past its field is taken as zero bytes). Values
// are kept in buffers of kKeyBufferSize zeroed bytes, so a text value always
// ends with NUL.
//
// Order: short, int and auto-increment signed; bool unsigned; float and
// double numeric, where values that compare equal and every comparison with
// NaN count as equal; a single-field text key as NUL-terminated strings by
// its compare mode (1 byte by byte unsigned, 2 with ASCII letters folded);
// a multi-field key part by part, the first differing part deciding.
#ifndef ORVEX_KEYS_KEY_VALUE_H_
#define ORVEX_KEYS_KEY_VALUE_H_

#include <cstdint>

#include "format/schema.h"

namespace orvex {

constexpr int kKeyBufferSize = kMaxKeyLength + 2;

// Forms the key value of a fixed-layout record into out (kKeyBufferSize).
void FormKey(const KeyDef& d, const uint8_t* record, uint8_t* out);

// Whether a key value has a float or double part that is NaN. NaN compares
// equal to every value, so such a value has no place in an index.
bool HoldsNan(const KeyDef& d, const uint8_t* value);

// Compares two key values of the key (a value buffer or a node slot):
// -1, 0 or 1.
int CompareKeys(const KeyDef& d, const uint8_t* a, const uint8_t* b);

// Text comparison over at most n bytes, stopping at a NUL; mode 2 folds
// ASCII letters.
int CompareText(const uint8_t* a, const uint8_t* b, int n, int mode);

// Turns a caller's seek value into a key value buffer: the key's width of
// bytes for numeric keys; for a single-field text key the text up to its NUL
// (at most the key length; *tooLong tells a longer text); for a multi-field
// key the key length of packed bytes.
void FormSeekValue(const KeyDef& d, const void* value, uint8_t* out, bool* tooLong);

}  // namespace orvex

#endif  // ORVEX_KEYS_KEY_VALUE_H_
