#include "section_text.h"
#include <string.h>

void SectionTextInit(SectionText *t, char *buf, size_t cap)
{
    t->buf = buf;
    t->cap = cap;
    t->used = 0;
    t->overflow = 0;
    if (cap >= 2)
        buf[0] = buf[1] = '\0';
    else if (cap == 1)
        buf[0] = '\0';
    if (cap < 2)
        t->overflow = 1;    // not even an empty list fits
}

int SectionTextAddLine(SectionText *t, const char *key, const char *value)
{
    size_t keyLen = strlen(key), valueLen = strlen(value);
    // The line, its NUL, and the NUL that ends the list.
    size_t need = keyLen + 1 + valueLen + 2;
    if (t->overflow || t->cap < t->used || need > t->cap - t->used) {
        t->overflow = 1;
        return 0;
    }
    char *p = t->buf + t->used;
    memcpy(p, key, keyLen);
    p[keyLen] = '=';
    memcpy(p + keyLen + 1, value, valueLen);
    p[keyLen + 1 + valueLen] = '\0';
    p[keyLen + 1 + valueLen + 1] = '\0';
    t->used += need - 1;
    return 1;
}

static char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? (char)(c - 'A' + 'a') : c;
}

// What the profile functions skip at the start of a line: white space
// (a CR included) and ^Z. A LF ends the line.
static int IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == 0x1a;
}

// The header "[name]" of the line at pos, as the profile functions read a
// header: after blanks a '[', and the name is what lies between it and the
// last ']' of the line, so text after that bracket ("[work] ; notes") is
// no part of the name. Gives the end of the line, its LF included.
static int HeaderAt(const char *data, size_t size, size_t pos, const char *name,
                    size_t nameLen, size_t *lineEnd)
{
    size_t i = pos;
    while (i < size && IsBlank(data[i]))
        i++;
    if (i >= size || data[i] != '[')
        return 0;
    i++;
    if (size - i < nameLen + 1)
        return 0;
    for (size_t k = 0; k < nameLen; k++)
        if (LowerAscii(data[i + k]) != LowerAscii(name[k]))
            return 0;
    i += nameLen;
    if (data[i] != ']')
        return 0;
    for (i++; i < size && data[i] != '\n'; i++)
        if (data[i] == ']')
            return 0;   // a later bracket makes the name longer
    *lineEnd = i < size ? i + 1 : i;
    return 1;
}

int FindSectionHeaderLine(const char *data, size_t size, const char *name,
                          size_t *offset, size_t *length)
{
    size_t nameLen = strlen(name);
    size_t pos = 0;
    while (pos < size) {
        size_t end;
        if (HeaderAt(data, size, pos, name, nameLen, &end)) {
            *offset = pos;
            *length = end - pos;
            return 1;
        }
        // On to the start of the next line.
        while (pos < size && data[pos] != '\n')
            pos++;
        if (pos < size)
            pos++;
    }
    return 0;
}

int SectionHasCommentLines(const char *data, size_t size, const char *name)
{
    size_t offset, length;
    if (!FindSectionHeaderLine(data, size, name, &offset, &length))
        return 0;
    for (size_t pos = offset + length; pos < size;) {
        size_t i = pos;
        while (i < size && IsBlank(data[i]))
            i++;
        size_t end = i;
        while (end < size && data[end] != '\n')
            end++;
        if (i < end && data[i] == ';')
            return 1;
        // A '[' line with a ']' starts the next section; without one it
        // is a key line.
        if (i < end && data[i] == '[' && memchr(data + i, ']', end - i))
            return 0;
        pos = end < size ? end + 1 : end;
    }
    return 0;
}
