// Bounded text copies; portable, no platform headers.
#pragma once
#include <stddef.h>

// Copies src into dst of capacity cap characters (NUL included), always
// terminating. Returns the number of characters written without the NUL;
// does nothing and returns 0 when cap is 0.
size_t BufSet(char *dst, size_t cap, const char *src);

// As BufSet, but copies at most n characters of src.
size_t BufSetN(char *dst, size_t cap, const char *src, size_t n);

#define COUNTOF(a) (sizeof(a) / sizeof((a)[0]))
