// Adding a folder to a favourites section.
#include "favourite_add.h"
#include "profile_section.h"
#include "textbuf.h"
#include <stdlib.h>
#include <string.h>

// Entry numbers far beyond any menu: a key with more digits is no entry a
// reader reaches, and shifting it could not overflow.
#define MAX_ENTRY_NUMBER 100000000

size_t FolderEntryName(const char *path, char *out, size_t cap)
{
    size_t len = strlen(path);
    if (len > 0 && path[len - 1] == '\\')
        len--;
    size_t start = len;
    while (start > 0 && path[start - 1] != '\\')
        start--;
    return BufSetN(out, cap, path + start, len - start);
}

size_t EntryNameFromFolder(const char *text, char *out, size_t cap)
{
    size_t len = strlen(text), extra = text[0] == '-' ? 1 : 0;
    if (cap == 0 || len + extra >= cap) {
        if (cap)
            out[0] = '\0';
        return 0;
    }
    if (extra)
        out[0] = '\\';
    memcpy(out + extra, text, len + 1);
    return len + extra;
}

const char *EntryNameShown(const char *name)
{
    return name[0] == '\\' && name[1] == '-' ? name + 1 : name;
}

int HasControlCharacters(const char *text)
{
    for (; *text; text++)
        if ((unsigned char)*text < 0x20)
            return 1;
    return 0;
}

static size_t FormatKey(char *key, const char *prefix, size_t prefixLen, size_t number)
{
    char digits[24];
    size_t d = 0;
    do {
        digits[d++] = (char)('0' + number % 10);
        number /= 10;
    } while (number);
    memcpy(key, prefix, prefixLen);
    size_t k = prefixLen;
    while (d > 0)
        key[k++] = digits[--d];
    key[k] = '\0';
    return k;
}

static void AddEntry(SectionLines *out, size_t number, const char *name, const char *path)
{
    char key[40];
    FormatKey(key, "name", 4, number);
    SectionLinesAddQuoted(out, key, name);
    if (path) {
        FormatKey(key, "path", 4, number);
        SectionLinesAddQuoted(out, key, path);
    }
}

size_t SectionLinesAddFavourite(const char *list, size_t size, const char *name, const char *path,
                                SectionLines *out)
{
    if (HasControlCharacters(name) || HasControlCharacters(path))
        return 0;
    NumberedEntries entries;
    if (!NumberedEntriesBuild(&entries, list, size)) {
        NumberedEntriesFree(&entries);
        return 0;
    }
    size_t end = NumberedEnd(&entries), closer = 0, depth = 0;
    char text[8];
    for (size_t n = 1; n < end && !closer; n++) {
        NumberedName(&entries, n, text, sizeof(text));
        if (text[0] != '-')
            continue;
        if (text[1] != '-')
            depth++;
        else if (depth == 0)
            closer = n;
        else
            depth--;
    }
    NumberedEntriesFree(&entries);
    size_t at = closer ? closer : end;
    size_t added = closer ? 1 : depth + 1;

    size_t pos = 0, len;
    const char *line;
    while (ProfileNextLine(list, size, &pos, &line, &len)) {
        ProfileEntry e;
        size_t number = 0;
        const char *prefix = NULL;
        if (ProfileParseLine(line, len, &e)) {
            if ((number = ProfileKeyNumber(&e, "name", MAX_ENTRY_NUMBER)) != 0)
                prefix = e.key;
            else if ((number = ProfileKeyNumber(&e, "path", MAX_ENTRY_NUMBER)) != 0)
                prefix = e.key;
        }
        if (!prefix || number < at) {
            SectionLinesAddRaw(out, line, len);
            continue;
        }
        // The key's own spelling of its prefix, the number moved up.
        char key[40];
        size_t k = FormatKey(key, prefix, 4, number + added);
        size_t valueLen = e.value ? e.valueLen : 0;
        char *moved = (char *)malloc(k + 1 + valueLen);
        if (!moved) {
            out->failed = 1;
            break;
        }
        memcpy(moved, key, k);
        if (e.value) {
            moved[k] = '=';
            memcpy(moved + k + 1, e.value, valueLen);
        }
        SectionLinesAddRaw(out, moved, e.value ? k + 1 + valueLen : k);
        free(moved);
    }
    for (size_t n = at; n + 1 < at + added; n++)
        AddEntry(out, n, "--", NULL);
    AddEntry(out, at + added - 1, name, path);
    return out->failed ? 0 : at + added - 1;
}
