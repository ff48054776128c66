#include "profile_section.h"
#include <stdlib.h>
#include <string.h>

// What the profile functions trim around names and values: white space,
// and ^Z (DOS end of file), which some files carry.
static int IsProfileBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r') || c == 0x1a;
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

int ProfileSameText(const char *a, const char *b, size_t len)
{
    for (size_t i = 0; i < len; i++)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return 0;
    return 1;
}

int ProfileParseLine(const char *line, size_t len, ProfileEntry *e)
{
    memset(e, 0, sizeof(*e));
    size_t start = 0, end = len;
    while (start < end && IsProfileBlank(line[start]))
        start++;
    while (end > start && IsProfileBlank(line[end - 1]))
        end--;
    if (start == end || line[start] == ';')
        return 0;
    const char *eq = (const char *)memchr(line + start, '=', end - start);
    size_t keyEnd = eq ? (size_t)(eq - line) : end;
    while (keyEnd > start && IsProfileBlank(line[keyEnd - 1]))
        keyEnd--;
    if (keyEnd == start)
        return 0;
    e->key = line + start;
    e->keyLen = keyEnd - start;
    if (eq) {
        size_t v = (size_t)(eq - line) + 1;
        while (v < end && IsProfileBlank(line[v]))
            v++;
        e->value = line + v;
        e->valueLen = end - v;
    }
    return 1;
}

int ProfileKeyIs(const ProfileEntry *e, const char *key)
{
    size_t len = strlen(key);
    while (len && IsProfileBlank(*key)) {
        key++;
        len--;
    }
    while (len && IsProfileBlank(key[len - 1]))
        len--;
    return e->key && e->keyLen == len && ProfileSameText(e->key, key, len);
}

void ProfileEntryValue(const ProfileEntry *e, const char **value, size_t *len)
{
    const char *v = e->value ? e->value : "";
    size_t n = e->value ? e->valueLen : 0;
    if (n >= 2 && (v[0] == '"' || v[0] == '\'') && v[n - 1] == v[0]) {
        v++;
        n -= 2;
    }
    *value = v;
    *len = n;
}

size_t ProfileCopyValue(const ProfileEntry *e, char *out, size_t cap)
{
    if (cap == 0)
        return 0;
    const char *v;
    size_t n;
    ProfileEntryValue(e, &v, &n);
    if (n > cap - 1)
        n = cap - 1;
    memcpy(out, v, n);
    out[n] = '\0';
    return n;
}

size_t ProfileKeyNumber(const ProfileEntry *e, const char *prefix, size_t maxNumber)
{
    size_t p = strlen(prefix);
    if (!e->key || e->keyLen <= p || !ProfileSameText(e->key, prefix, p) || e->key[p] == '0')
        return 0;
    size_t number = 0;
    for (size_t i = p; i < e->keyLen; i++) {
        char c = e->key[i];
        if (c < '0' || c > '9')
            return 0;
        size_t digit = (size_t)(c - '0');
        if (digit > maxNumber || number > (maxNumber - digit) / 10)
            return 0;   // beyond the limit, and never overflowing
        number = number * 10 + digit;
    }
    return number;
}

int ProfileNextLine(const char *list, size_t size, size_t *pos, const char **line, size_t *len)
{
    size_t i = *pos;
    if (i >= size || !list[i])
        return 0;
    const char *nul = (const char *)memchr(list + i, '\0', size - i);
    size_t n = nul ? (size_t)(nul - (list + i)) : size - i;
    *line = list + i;
    *len = n;
    *pos = i + n + 1;
    return 1;
}

int ProfileFindEntry(const char *list, size_t size, const char *key, ProfileEntry *e)
{
    size_t pos = 0, len;
    const char *line;
    while (ProfileNextLine(list, size, &pos, &line, &len))
        if (ProfileParseLine(line, len, e) && ProfileKeyIs(e, key))
            return 1;
    memset(e, 0, sizeof(*e));
    return 0;
}

int NumberedEntriesBuild(NumberedEntries *n, const char *list, size_t size)
{
    memset(n, 0, sizeof(*n));
    n->list = list;
    n->size = size;
    size_t pos = 0, len, lines = 0;
    const char *line;
    while (ProfileNextLine(list, size, &pos, &line, &len))
        lines++;
    if (!lines)
        return 1;
    n->name = (ProfileEntry *)calloc(lines, sizeof(ProfileEntry));
    n->path = (ProfileEntry *)calloc(lines, sizeof(ProfileEntry));
    n->nameLine = (size_t *)calloc(lines, sizeof(size_t));
    n->pathLine = (size_t *)calloc(lines, sizeof(size_t));
    if (!n->name || !n->path || !n->nameLine || !n->pathLine) {
        NumberedEntriesFree(n);
        return 0;
    }
    n->count = n->lines = lines;
    pos = 0;
    for (size_t index = 0; ProfileNextLine(list, size, &pos, &line, &len); index++) {
        ProfileEntry e;
        if (!ProfileParseLine(line, len, &e))
            continue;
        size_t number = ProfileKeyNumber(&e, "name", lines);
        if (number && !n->name[number - 1].key) {
            n->name[number - 1] = e;
            n->nameLine[number - 1] = index;
            continue;
        }
        number = ProfileKeyNumber(&e, "path", lines);
        if (number && !n->path[number - 1].key) {
            n->path[number - 1] = e;
            n->pathLine[number - 1] = index;
        }
    }
    return 1;
}

void NumberedEntriesFree(NumberedEntries *n)
{
    free(n->name);
    free(n->path);
    free(n->nameLine);
    free(n->pathLine);
    memset(n, 0, sizeof(*n));
}

static size_t CopyNumbered(const NumberedEntries *n, const ProfileEntry *slots, const char *prefix,
                           size_t number, char *out, size_t cap)
{
    ProfileEntry e;
    memset(&e, 0, sizeof(e));
    if (number >= 1 && number <= n->count) {
        e = slots[number - 1];
    } else if (number > n->count && n->list) {
        char key[48];
        // "name" or "path" and at most 20 digits.
        size_t p = strlen(prefix), d = 0;
        char digits[24];
        for (size_t v = number; v; v /= 10)
            digits[d++] = (char)('0' + v % 10);
        memcpy(key, prefix, p);
        while (d)
            key[p++] = digits[--d];
        key[p] = '\0';
        ProfileFindEntry(n->list, n->size, key, &e);
    }
    return ProfileCopyValue(&e, out, cap);
}

size_t NumberedName(const NumberedEntries *n, size_t number, char *out, size_t cap)
{
    return CopyNumbered(n, n->name, "name", number, out, cap);
}

size_t NumberedPath(const NumberedEntries *n, size_t number, char *out, size_t cap)
{
    return CopyNumbered(n, n->path, "path", number, out, cap);
}

size_t NumberedEnd(const NumberedEntries *n)
{
    size_t number = 1;
    for (; number <= n->count; number++) {
        const char *v;
        size_t len;
        ProfileEntryValue(&n->name[number - 1], &v, &len);
        if (len == 0)
            break;
    }
    return number;
}

void SectionLinesInit(SectionLines *s)
{
    memset(s, 0, sizeof(*s));
}

void SectionLinesFree(SectionLines *s)
{
    free(s->buf);
    SectionLinesInit(s);
}

int SectionLinesReserve(SectionLines *s, size_t cap)
{
    if (s->failed)
        return 0;
    if (cap <= s->cap)
        return 1;
    size_t grown = s->cap ? s->cap : 256;
    while (grown < cap) {
        if (grown > (size_t)-1 / 2) {
            grown = cap;
            break;
        }
        grown *= 2;
    }
    char *buf = (char *)realloc(s->buf, grown);
    if (!buf) {
        s->failed = 1;
        return 0;
    }
    if (!s->buf)
        buf[0] = buf[1] = '\0';
    s->buf = buf;
    s->cap = grown;
    return 1;
}

// Appends the pieces as one line and keeps the list terminated.
static int AddPieces(SectionLines *s, const char *a, size_t aLen, const char *b, size_t bLen, int withEq)
{
    size_t lineLen = aLen + (withEq ? 1 : 0) + bLen;
    // The line, its NUL and the list's final NUL.
    if (lineLen > (size_t)-1 - s->used - 2 || !SectionLinesReserve(s, s->used + lineLen + 2)) {
        s->failed = 1;
        return 0;
    }
    char *p = s->buf + s->used;
    memcpy(p, a, aLen);
    p += aLen;
    if (withEq)
        *p++ = '=';
    memcpy(p, b, bLen);
    p += bLen;
    p[0] = p[1] = '\0';
    s->used += lineLen + 1;
    return 1;
}

int SectionLinesAdd(SectionLines *s, const char *key, const char *value)
{
    return AddPieces(s, key, strlen(key), value, strlen(value), 1);
}

int SectionLinesAddQuoted(SectionLines *s, const char *key, const char *value)
{
    size_t len = strlen(value);
    int quotedAlready = len >= 2 && (value[0] == '"' || value[0] == '\'') && value[len - 1] == value[0];
    if (len == 0 || (!IsProfileBlank(value[0]) && !IsProfileBlank(value[len - 1]) && !quotedAlready))
        return SectionLinesAdd(s, key, value);
    char *quoted = (char *)malloc(len + 3);
    if (!quoted) {
        s->failed = 1;
        return 0;
    }
    quoted[0] = '"';
    memcpy(quoted + 1, value, len);
    quoted[len + 1] = '"';
    quoted[len + 2] = '\0';
    int ok = SectionLinesAdd(s, key, quoted);
    free(quoted);
    return ok;
}

int SectionLinesAddRaw(SectionLines *s, const char *line, size_t len)
{
    // An empty line would end the list there; it carries nothing anyway.
    if (len == 0)
        return !s->failed;
    return AddPieces(s, line, len, "", 0, 0);
}

const char *SectionLinesText(const SectionLines *s)
{
    static const char emptyList[2] = { 0, 0 };
    return s->buf ? s->buf : emptyList;
}

size_t SectionLinesAppendEntry(const char *list, size_t size, const char *name, const char *path,
                               SectionLines *out)
{
    NumberedEntries entries;
    if (!NumberedEntriesBuild(&entries, list, size))
        return 0;
    size_t number = NumberedEnd(&entries);
    NumberedEntriesFree(&entries);
    size_t pos = 0, len;
    const char *line;
    while (ProfileNextLine(list, size, &pos, &line, &len)) {
        ProfileEntry e;
        if (ProfileParseLine(line, len, &e) && (ProfileKeyNumber(&e, "name", (size_t)-1) == number ||
                                                ProfileKeyNumber(&e, "path", (size_t)-1) == number))
            continue;
        SectionLinesAddRaw(out, line, len);
    }
    char key[32], digits[24];
    size_t d = 0;
    for (size_t v = number; v; v /= 10)
        digits[d++] = (char)('0' + v % 10);
    for (int which = 0; which < 2; which++) {
        size_t k = 0;
        memcpy(key, which ? "path" : "name", 4);
        k = 4;
        for (size_t i = d; i > 0; i--)
            key[k++] = digits[i - 1];
        key[k] = '\0';
        SectionLinesAddQuoted(out, key, which ? path : name);
    }
    return out->failed ? 0 : number;
}
