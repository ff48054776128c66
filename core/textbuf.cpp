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

static size_t Length(const char *s)
{
    size_t n = 0;
    while (s[n])
        n++;
    return n;
}

bool BufJoin(char *dst, size_t cap, const char *a, const char *b)
{
    if (cap == 0)
        return false;
    size_t na = Length(a), nb = Length(b);
    if (na >= cap || nb >= cap - na) {
        dst[0] = '\0';
        return false;
    }
    for (size_t i = 0; i < na; i++)   // a may be dst: copies onto itself
        dst[i] = a[i];
    for (size_t i = 0; i < nb; i++)
        dst[na + i] = b[i];
    dst[na + nb] = '\0';
    return true;
}

static bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// One name of a UNC path from p: non-empty, up to the next separator.
static size_t NameLength(const char *p)
{
    size_t n = 0;
    while (p[n] && !IsSeparator(p[n]))
        n++;
    return n;
}

bool IsFullyQualifiedPath(const char *path, size_t limit)
{
    size_t n = 0;
    while (n < limit && path[n])
        n++;
    if (n >= limit)
        return false;
    size_t rest;   // where the part after the root starts
    char c = path[0];
    if (((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':' && IsSeparator(path[2])) {
        rest = 3;
    } else if (IsSeparator(path[0]) && IsSeparator(path[1])) {
        const char *server = path + 2;
        size_t ns = NameLength(server);
        // "\\?\" and "\\.\" are the device namespaces, not a server.
        if (ns == 0 || (ns == 1 && (server[0] == '?' || server[0] == '.')) || !IsSeparator(server[ns]))
            return false;
        const char *share = server + ns + 1;
        size_t nsh = NameLength(share);
        if (nsh == 0)
            return false;
        rest = 2;
    } else {
        return false;
    }
    for (size_t i = rest; i < n; i++)
        if (path[i] == ':')   // a stream or a device after the root
            return false;
    return true;
}

// Where the extension of path's last part starts: its last '.', or the end.
static size_t StemLength(const char *path)
{
    size_t n = 0, dot = 0;
    bool found = false;
    for (; path[n]; n++) {
        if (IsSeparator(path[n]))
            found = false;
        else if (path[n] == '.') {
            dot = n;
            found = true;
        }
    }
    return found ? dot : n;
}

static char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c; }

bool BesideName(char *dst, size_t cap, const char *config, const char *extension)
{
    size_t stem = StemLength(config), ext = 0, n = stem;
    while (extension[ext])
        ext++;
    while (config[n])
        n++;
    if (cap == 0)
        return false;
    dst[0] = '\0';
    if (stem + ext + 1 > cap)
        return false;
    size_t i = 0;
    bool same = n == stem + ext;
    for (; i < stem; i++)
        dst[i] = config[i];
    for (size_t j = 0; j < ext; j++, i++) {
        dst[i] = extension[j];
        same = same && FoldAscii(config[i]) == FoldAscii(extension[j]);
    }
    dst[i] = '\0';
    if (same) {
        dst[0] = '\0';
        return false;
    }
    return true;
}

bool BesideNamesFit(const char *config, size_t cap)
{
    size_t n = 0;
    while (config[n])
        n++;
    size_t stem = StemLength(config);
    // ".recent.new" and ".hidden.new" are as long: 11 characters.
    return n + 4 < cap && stem + 11 < cap;
}
