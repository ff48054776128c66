// Client commands for the host tests.
#include "support/client.h"

// hang <ms>: the client's thread stops answering for a while, as a hung
// program's does (run it with post: the caller must not wait for it).
CLIENT_COMMAND(hang)
{
    Sleep((DWORD)ArgInt(args, 1, 1000));
    return "awake";
}
