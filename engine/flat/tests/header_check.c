/* Compiled by the C compiler in strict ISO C: orvex_flat.h must stand alone
 * in a C program (no C++ in it, no extensions) with the layouts callers in
 * other languages rely on. */
#include "orvex_flat.h"

_Static_assert(sizeof(VARIANT) == 16, "VARIANT is 16 bytes");
_Static_assert(offsetof(VARIANT, vt) == 0, "type code at offset 0");
_Static_assert(offsetof(VARIANT, dblVal) == 8, "value at offset 8");
_Static_assert(offsetof(VARIANT, bstrVal) == 8, "value at offset 8");
_Static_assert(sizeof(OLECHAR) == 2, "wide strings are UTF-16");
_Static_assert(sizeof(KEY_INFO) == 1060, "KEY_INFO is 1060 bytes");
_Static_assert(ORVEX_OPEN_DEFAULT == 66, "the usual open mode is 66");

/* A caller that binds functions by name declares pointers of their types. */
typedef __typeof__(&mOpen) OpenFunction;
