#include "textbuf.h"

size_t BufSetN(char *dst, size_t cap, const char *src, size_t n)
{
    if (cap == 0)
        return 0;
    size_t i = 0;
    while (i + 1 < cap && i < n && src[i]) {
        dst[i] = src[i];
        i++;
    }
    dst[i] = '\0';
    return i;
}

size_t BufSet(char *dst, size_t cap, const char *src)
{
    return BufSetN(dst, cap, src, (size_t)-1);
}
