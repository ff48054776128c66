// Expanding a favourite's stored path; see path_expand.h.
#include "path_expand.h"
#include <string.h>

// Variables may hold variables; deeper than this is taken for a loop, as
// is a name that is being expanded already.
#define MAX_VARIABLE_DEPTH 8
#define VARIABLE_NAME_CAPACITY 128

static const char *const kKnownNames[KNOWN_FOLDERS] = {
    "Downloads", "Documents", "Desktop", "Pictures", "Music", "Videos", "Profile",
};

static char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

static int EqualNoCase(const char *a, const char *b, size_t n)
{
    for (size_t i = 0; i < n; i++)
        if (Lower(a[i]) != Lower(b[i]))
            return 0;
    return 1;
}

static int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static int HasControl(const char *s)
{
    for (; *s; s++)
        if ((unsigned char)*s < 0x20)
            return 1;
    return 0;
}

struct Expander {
    const PathLookup *lookup;
    char *out;
    size_t cap, used;
    const char *stack[MAX_VARIABLE_DEPTH];   // names being expanded
    size_t stackLen[MAX_VARIABLE_DEPTH];
    int depth;
};

static int Put(Expander *e, const char *s, size_t n)
{
    if (e->used + n + 1 > e->cap)
        return EXPAND_TOO_LONG;
    memcpy(e->out + e->used, s, n);
    e->used += n;
    e->out[e->used] = '\0';
    return EXPAND_OK;
}

static int ExpandText(Expander *e, const char *text);

static int ExpandVariable(Expander *e, const char *name, size_t n)
{
    for (int i = 0; i < e->depth; i++)
        if (e->stackLen[i] == n && EqualNoCase(e->stack[i], name, n))
            return EXPAND_LOOP;
    if (e->depth == MAX_VARIABLE_DEPTH)
        return EXPAND_LOOP;
    if (n >= VARIABLE_NAME_CAPACITY)
        return EXPAND_UNSET;
    char key[VARIABLE_NAME_CAPACITY], value[EXPANDED_PATH_CAPACITY];
    memcpy(key, name, n);
    key[n] = '\0';
    int len = e->lookup && e->lookup->variable ? e->lookup->variable(e->lookup->context, key, value, sizeof(value))
                                               : -1;
    if (len < 0 || (size_t)len >= sizeof(value))
        return len < 0 ? EXPAND_UNSET : EXPAND_TOO_LONG;
    value[len] = '\0';
    if (HasControl(value))
        return EXPAND_CONTROL;
    e->stack[e->depth] = name;
    e->stackLen[e->depth] = n;
    e->depth++;
    int r = ExpandText(e, value);
    e->depth--;
    return r;
}

static int ExpandText(Expander *e, const char *text)
{
    const char *p = text;
    while (*p) {
        const char *pct = strchr(p, '%');
        if (!pct)
            return Put(e, p, strlen(p));
        int r = Put(e, p, (size_t)(pct - p));
        if (r != EXPAND_OK)
            return r;
        if (pct[1] == '%') {   // "%%": one percent sign
            if ((r = Put(e, "%", 1)) != EXPAND_OK)
                return r;
            p = pct + 2;
            continue;
        }
        // A name runs to the next '%' and holds no separator; otherwise the
        // '%' is text ("100% done").
        const char *end = pct + 1;
        while (*end && *end != '%' && !IsSeparator(*end))
            end++;
        if (*end != '%' || end == pct + 1) {
            if ((r = Put(e, "%", 1)) != EXPAND_OK)
                return r;
            p = pct + 1;
            continue;
        }
        if ((r = ExpandVariable(e, pct + 1, (size_t)(end - pct - 1))) != EXPAND_OK)
            return r;
        p = end + 1;
    }
    return EXPAND_OK;
}

// Resolves "." and ".." in path (in place), which starts with a root of
// length root ("X:\" or "\\server\share\"): ".." stops at the root.
static void Normalise(char *path, size_t root)
{
    size_t w = root;
    const char *r = path + root;
    while (*r) {
        while (IsSeparator(*r))
            r++;
        const char *seg = r;
        while (*r && !IsSeparator(*r))
            r++;
        size_t n = (size_t)(r - seg);
        if (n == 0 || (n == 1 && seg[0] == '.'))
            continue;
        if (n == 2 && seg[0] == '.' && seg[1] == '.') {
            while (w > root && path[w - 1] != '\\')
                w--;
            if (w > root)
                w--;   // the separator before the last name
            continue;
        }
        if (w > root && path[w - 1] != '\\')
            path[w++] = '\\';
        memmove(path + w, seg, n);
        w += n;
    }
    path[w] = '\0';
}

// The length of the root of a fully qualified base: "X:\" or
// "\\server\share\" (the separator after the share may be absent).
static size_t RootLength(const char *base)
{
    if (((base[0] >= 'A' && base[0] <= 'Z') || (base[0] >= 'a' && base[0] <= 'z')) && base[1] == ':')
        return IsSeparator(base[2]) ? 3 : 0;
    if (!IsUncPath(base))
        return 0;
    const char *p = base + 2;
    for (int part = 0; part < 2; part++) {
        while (*p && !IsSeparator(*p))
            p++;
        if (part == 0 && !*p)
            return 0;
        if (*p)
            p++;
    }
    return (size_t)(p - base);
}

static int IsDotted(const char *s)
{
    if (s[0] != '.')
        return 0;
    size_t n = s[1] == '.' ? 2 : 1;
    return s[n] == '\0' || IsSeparator(s[n]);
}

int PathNeedsExpanding(const char *stored)
{
    return stored && (strchr(stored, '%') || EqualNoCase(stored, "shell:", 6) || stored[0] == '.');
}

int ExpandPath(const char *stored, const PathLookup *lookup, char *out, size_t cap)
{
    if (cap == 0)
        return EXPAND_TOO_LONG;
    out[0] = '\0';
    if (cap > EXPANDED_PATH_CAPACITY)
        cap = EXPANDED_PATH_CAPACITY;
    if (HasControl(stored))
        return EXPAND_CONTROL;
    char text[EXPANDED_PATH_CAPACITY];
    Expander e = { lookup, text, sizeof(text), 0, {}, {}, 0 };
    text[0] = '\0';
    int r = ExpandText(&e, stored);
    if (r != EXPAND_OK)
        return r;

    char result[EXPANDED_PATH_CAPACITY];
    const char *rest = text;
    size_t root = 0;
    result[0] = '\0';
    if (EqualNoCase(text, "shell:", 6)) {
        const char *name = text + 6, *end = name;
        while (*end && !IsSeparator(*end))
            end++;
        int id = -1;
        for (int i = 0; i < KNOWN_FOLDERS; i++)
            if (strlen(kKnownNames[i]) == (size_t)(end - name) && EqualNoCase(kKnownNames[i], name, (size_t)(end - name)))
                id = i;
        int len = id >= 0 && lookup && lookup->known ? lookup->known(lookup->context, id, result, sizeof(result)) : -1;
        if (len <= 0 || (size_t)len >= sizeof(result))
            return len < 0 || len == 0 ? EXPAND_UNSET : EXPAND_TOO_LONG;
        result[len] = '\0';
        if (HasControl(result) || !(root = RootLength(result)))
            return HasControl(result) ? EXPAND_CONTROL : EXPAND_UNSET;
        rest = end;
    } else if (IsDotted(text)) {
        const char *base = lookup ? lookup->base : NULL;
        if (!base || !base[0] || !(root = RootLength(base)))
            return EXPAND_NO_BASE;
        size_t n = strlen(base);
        if (n >= sizeof(result))
            return EXPAND_TOO_LONG;
        memcpy(result, base, n + 1);
    } else {
        if (strlen(text) >= cap)
            return EXPAND_TOO_LONG;
        memcpy(out, text, strlen(text) + 1);
        return EXPAND_OK;
    }
    // The folder named, then what follows it, resolved below the root.
    size_t n = strlen(result), m = strlen(rest);
    if (n + 1 + m + 1 > sizeof(result))
        return EXPAND_TOO_LONG;
    result[n] = '\\';
    memcpy(result + n + 1, rest, m + 1);
    Normalise(result, root);
    if (strlen(result) >= cap)
        return EXPAND_TOO_LONG;
    memcpy(out, result, strlen(result) + 1);
    return EXPAND_OK;
}

size_t PathRelativeToBase(const char *folder, const char *base, char *out, size_t cap)
{
    if (cap == 0)
        return 0;
    out[0] = '\0';
    size_t fr = RootLength(folder), br = RootLength(base);
    const char *chosen = folder;
    char text[EXPANDED_PATH_CAPACITY];
    if (fr == 3 && br == 3 && Lower(folder[0]) == Lower(base[0])) {
        // The longest run of whole names the two share.
        size_t common = 3, i = 3;
        for (;; i++) {
            char a = folder[i], b = base[i];
            int endA = a == '\0' || IsSeparator(a), endB = b == '\0' || IsSeparator(b);
            if (endA && endB)
                common = i;
            if (endA != endB || (!endA && Lower(a) != Lower(b)) || a == '\0' || b == '\0')
                break;
        }
        size_t used = 0;
        // One ".." for every name of base beyond the shared part.
        int ups = 0;
        for (const char *p = base + common; *p; p++)
            if (!IsSeparator(*p) && (p == base + common || IsSeparator(p[-1])))
                ups++;
        const char *tail = folder + common;
        while (IsSeparator(*tail))
            tail++;
        if (ups == 0) {
            text[used++] = '.';
        }
        for (int k = 0; k < ups; k++) {
            if (used + 3 >= sizeof(text))
                return 0;
            if (k)
                text[used++] = '\\';
            text[used++] = '.';
            text[used++] = '.';
        }
        size_t t = strlen(tail);
        while (t && IsSeparator(tail[t - 1]))
            t--;
        if (t) {
            if (used + 1 + t >= sizeof(text))
                return 0;
            text[used++] = '\\';
            memcpy(text + used, tail, t);
            used += t;
        }
        text[used] = '\0';
        chosen = text;
    }
    size_t len = strlen(chosen);
    if (len >= cap)
        return 0;
    memcpy(out, chosen, len + 1);
    return len;
}

int IsUncPath(const char *path)
{
    return path && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != '?' && path[2] != '.' &&
           path[2] && !IsSeparator(path[2]);
}

int SameFolder(const char *a, const char *b)
{
    size_t n = strlen(a), m = strlen(b);
    if (n > 3 && IsSeparator(a[n - 1]))
        n--;
    if (m > 3 && IsSeparator(b[m - 1]))
        m--;
    if (n != m)
        return 0;
    for (size_t i = 0; i < n; i++)
        if (Lower(a[i]) != Lower(b[i]) && !(IsSeparator(a[i]) && IsSeparator(b[i])))
            return 0;
    return 1;
}
