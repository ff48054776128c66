// Path expansion on any stored text, environment and configuration folder
// the input describes: never a write past the buffer, a result that fits
// and holds no control character, and a portable copy's relative path
// that names its folder again.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include "core/path_expand.h"

#define CHECK(c) do { if (!(c)) abort(); } while (0)

// The input: stored path, then NUL-separated "NAME=value" variables; the
// first byte picks the base folder and the buffer's size.
struct Input { std::string stored, base; std::string vars[8]; int count; };

static int Variable(void *context, const char *name, char *out, size_t cap)
{
    const Input *in = (const Input *)context;
    for (int i = 0; i < in->count; i++) {
        size_t eq = in->vars[i].find('=');
        if (eq != std::string::npos && in->vars[i].compare(0, eq, name) == 0 && strlen(name) == eq) {
            std::string v = in->vars[i].substr(eq + 1);
            if (v.size() >= cap)
                return -1;
            memcpy(out, v.c_str(), v.size() + 1);
            return (int)v.size();
        }
    }
    return -1;
}

static int Known(void *context, int id, char *out, size_t cap)
{
    (void)context;
    std::string path = "C:\\Users\\u\\K" + std::to_string(id);
    if (path.size() >= cap)
        return -1;
    memcpy(out, path.c_str(), path.size() + 1);
    return (int)path.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    static const char *const bases[] = { "E:\\stick\\brivane", "\\\\srv\\share\\dir", "C:\\", "", "bad" };
    Input in;
    in.base = bases[data[0] % 5];
    size_t cap = 1 + data[0] / 5 % 300;
    std::string rest((const char *)data + 1, size - 1);
    size_t nul = rest.find('\0');
    in.stored = rest.substr(0, nul);
    in.count = 0;
    while (nul != std::string::npos && in.count < 8) {
        size_t next = rest.find('\0', nul + 1);
        in.vars[in.count++] = rest.substr(nul + 1, next == std::string::npos ? std::string::npos : next - nul - 1);
        nul = next;
    }
    PathLookup lookup = { Variable, Known, in.base.c_str(), &in };
    char *out = (char *)malloc(cap);   // exact size: ASan sees a write past it
    int r = ExpandPath(in.stored.c_str(), &lookup, out, cap);
    CHECK(r >= EXPAND_OK && r <= EXPAND_NO_BASE);
    size_t n = strlen(out);
    CHECK(n < cap && n < EXPANDED_PATH_CAPACITY);
    CHECK(r == EXPAND_OK || n == 0);
    for (size_t i = 0; r == EXPAND_OK && i < n; i++)
        CHECK((unsigned char)out[i] >= 0x20);
    // A portable copy's relative form of a folder on its drive names it
    // again (a plain folder: no "." names, no '/', no empty names).
    if (r == EXPAND_OK && n >= 3 && out[1] == ':' && out[2] == '\\' && !strpbrk(out + 3, "%./:") &&
        !strstr(out, "\\\\") && (out[0] | 0x20) == 'e' && in.base[0] == 'E') {
        char rel[EXPANDED_PATH_CAPACITY], back[EXPANDED_PATH_CAPACITY];
        if (PathRelativeToBase(out, in.base.c_str(), rel, sizeof(rel))) {
            int again = ExpandPath(rel, &lookup, back, sizeof(back));
            CHECK(again == EXPAND_OK || again == EXPAND_TOO_LONG);
            CHECK(again != EXPAND_OK || SameFolder(back, out));
        }
    }
    free(out);
    return 0;
}
