// The running program's name, which names its favourites section and its key
// in section exception.
#include <windows.h>
#include <shlwapi.h>
#include "procname.h"
#include "../core/textbuf.h"

// The program's path comes first on a command line and an ANSI path holds at
// most MAX_PATH characters; with its quotes and the blank after it, it always
// fits into this copy. What a longer line loses are arguments, which are
// removed anyway.
#define COMMAND_COPY_CAPACITY 1024

size_t ProcessNameFromCommandLine(const char *commandLine, char *out, size_t cap)
{
    if (cap == 0)
        return 0;
    char copy[COMMAND_COPY_CAPACITY];
    BufSet(copy, COUNTOF(copy), commandLine ? commandLine : "");
    PathRemoveArgsA(copy);
    PathUnquoteSpacesA(copy);
    PathStripPathA(copy);
    PathRemoveExtensionA(copy);
    return BufSet(out, cap, copy);
}
