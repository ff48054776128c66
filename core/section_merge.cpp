// Keeping another writer's additions to a section.
#include "section_merge.h"
#include "favourite_add.h"
#include "profile_section.h"
#include <stdlib.h>
#include <string.h>

int SameFolder(const char *a, size_t aLen, const char *b, size_t bLen)
{
    if (aLen && a[aLen - 1] == '\\')
        aLen--;
    if (bLen && b[bLen - 1] == '\\')
        bLen--;
    return aLen == bLen && ProfileSameText(a, b, aLen);
}

// Whether a line of list holds what e holds: its key (keyed), or a pathN
// of the same folder.
static int Holds(const char *list, size_t size, const ProfileEntry *e, int keyed)
{
    const char *v, *w;
    size_t vLen, wLen, pos = 0, len;
    const char *line;
    ProfileEntryValue(e, &v, &vLen);
    while (ProfileNextLine(list, size, &pos, &line, &len)) {
        ProfileEntry other;
        if (!ProfileParseLine(line, len, &other))
            continue;
        if (keyed) {
            if (other.keyLen == e->keyLen && ProfileSameText(other.key, e->key, e->keyLen))
                return 1;
            continue;
        }
        ProfileEntryValue(&other, &w, &wLen);
        if (ProfileKeyNumber(&other, "path", (size_t)-1) && SameFolder(v, vLen, w, wLen))
            return 1;
    }
    return 0;
}

// The entry's value, quotes taken off, as a string of its own.
static char *ValueCopy(const ProfileEntry *e)
{
    const char *v;
    size_t len;
    ProfileEntryValue(e, &v, &len);
    char *copy = (char *)malloc(len + 1);
    if (copy) {
        memcpy(copy, v, len);
        copy[len] = '\0';
    }
    return copy;
}

int SectionLinesKeepAdded(const SectionLines *baseLines, const SectionLines *nowLines, const SectionLines *rows,
                          int keyed, SectionLines *out)
{
    const char *base = SectionLinesText(baseLines), *now = SectionLinesText(nowLines), *line;
    size_t baseSize = baseLines->used, nowSize = nowLines->used, pos = 0, len, index = 0;
    while (ProfileNextLine(SectionLinesText(rows), rows->used, &pos, &line, &len))
        SectionLinesAddRaw(out, line, len);
    // The usual case: nobody else wrote the section.
    if (out->failed || (nowSize == baseSize && memcmp(now, base, nowSize) == 0))
        return out->failed ? -1 : 0;
    NumberedEntries after;
    int ok = NumberedEntriesBuild(&after, now, nowSize), added = 0;
    size_t end = NumberedEnd(&after);
    for (pos = 0; ok && ProfileNextLine(now, nowSize, &pos, &line, &len); index++) {
        ProfileEntry e;
        if (!ProfileParseLine(line, len, &e))
            continue;
        // An entry is the pathN a reader takes for an N it reaches, beside
        // a name that is no submenu header.
        size_t n = keyed ? 0 : ProfileKeyNumber(&e, "path", after.count);
        const char *name = NULL;
        size_t nameLen;
        if (n && n < end && after.pathLine[n - 1] == index)
            ProfileEntryValue(&after.name[n - 1], &name, &nameLen);
        if (!keyed && !(name && name[0] != '-'))
            continue;
        if (Holds(base, baseSize, &e, keyed) || Holds(out->buf, out->used, &e, keyed))
            continue;
        added++;
        if (keyed) {
            ok = SectionLinesAddRaw(out, line, len);
            continue;
        }
        char *nameCopy = ValueCopy(&after.name[n - 1]), *path = ValueCopy(&e);
        SectionLines grown;
        SectionLinesInit(&grown);
        ok = nameCopy && path && SectionLinesAddFavourite(SectionLinesText(out), out->used, nameCopy, path, &grown);
        free(nameCopy);
        free(path);
        SectionLinesFree(out);
        *out = grown;
    }
    NumberedEntriesFree(&after);
    if (!ok)
        out->failed = 1;
    return ok ? added : -1;
}
