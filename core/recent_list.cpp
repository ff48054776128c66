// The recent-folders list as it is stored.
#include "recent_list.h"
#include "textbuf.h"
#include <string.h>

// Whether a and b name the same folder: ASCII case and one trailing
// backslash aside.
static bool SameFolder(const char *a, const char *b)
{
    size_t la = strlen(a), lb = strlen(b);
    if (la > 0 && a[la - 1] == '\\')
        la--;
    if (lb > 0 && b[lb - 1] == '\\')
        lb--;
    if (la != lb)
        return false;
    for (size_t i = 0; i < la; i++) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

static int IndexOf(const RecentList *list, const char *folder)
{
    for (int i = 0; i < list->count; i++)
        if (SameFolder(list->folder[i], folder))
            return i;
    return -1;
}

void RecentParse(const char *text, size_t size, RecentList *list)
{
    list->count = 0;
    size_t start = 0;
    for (size_t i = 0; i < size && list->count < RECENT_CAPACITY; i++) {
        if (text[i] != '\n')
            continue;
        size_t len = i - start;
        if (len > 0 && text[i - 1] == '\r')
            len--;
        const char *line = text + start;
        start = i + 1;
        if (len >= RECENT_PATH_CAPACITY || memchr(line, '\0', len))
            continue;
        char *slot = list->folder[list->count];
        BufSetN(slot, RECENT_PATH_CAPACITY, line, len);
        if (IsFullyQualifiedPath(slot, RECENT_PATH_CAPACITY) && IndexOf(list, slot) < 0)
            list->count++;
    }
}

int RecentPush(RecentList *list, const char *folder)
{
    if (!IsFullyQualifiedPath(folder, RECENT_PATH_CAPACITY))
        return 0;
    int at = IndexOf(list, folder);
    int last = at >= 0 ? at : (list->count < RECENT_CAPACITY ? list->count++ : RECENT_CAPACITY - 1);
    memmove(list->folder[1], list->folder[0], (size_t)last * RECENT_PATH_CAPACITY);
    BufSet(list->folder[0], RECENT_PATH_CAPACITY, folder);
    return 1;
}

size_t RecentFormat(const RecentList *list, char *out, size_t cap)
{
    size_t used = 0;
    for (int i = 0; i < list->count; i++) {
        size_t len = strlen(list->folder[i]);
        if (cap - used < len + 2)
            return 0;
        memcpy(out + used, list->folder[i], len);
        used += len;
        out[used++] = '\r';
        out[used++] = '\n';
    }
    return used;
}
