#include "ini.h"
#include "shared.h"
#include "textbuf.h"
#include "profile_section.h"
#include "ini_write.h"

ConfigPath::ConfigPath()
{
    text[0] = '\0';
    if (!g_settings)
        return;
    // What the block holds is data from another process, and the profile
    // functions of some platforms overrun their own buffers on names they
    // do not expect, inside whatever program runs the hook. So the path is
    // copied once (the block may change meanwhile) and used only when it is
    // fully qualified and shorter than MAX_PATH: a relative name would be
    // looked for in the current or the Windows folder, a device name reaches
    // past the file system, and a field without its NUL reads as too long.
    BufSetN(text, COUNTOF(text), g_settings->configPath, MAX_PATH);
    if (!IsFullyQualifiedPath(text, MAX_PATH))
        text[0] = '\0';
}

int IniGetInt(const char *section, const char *key, int def)
{
    ConfigPath path;
    if (!path.text[0])
        return def;
    return (int)GetPrivateProfileIntA(section, key, def, path.text);
}

DWORD IniGetString(const char *section, const char *key, const char *def,
                   char *out, DWORD size)
{
    ConfigPath path;
    if (!path.text[0])
        return (DWORD)BufSet(out, size, def);
    return GetPrivateProfileStringA(section, key, def, out, size, path.text);
}

// Both writes go through the file's lock and replace the file whole.
static int WriteKey(const char *file, void *context)
{
    const char *const *w = (const char *const *)context;   // section, key, value
    return WritePrivateProfileStringA(w[0], w[1], w[2], file) ? INI_WRITTEN : INI_FAILED;
}

BOOL IniWriteString(const char *section, const char *key, const char *value)
{
    const char *w[3] = { section, key, value };
    return IniUpdate(WriteKey, (void *)w) == INI_WRITTEN;
}

// An empty list, as the profile functions return for a missing section.
static DWORD EmptyList(char *out, DWORD size)
{
    if (size >= 2)
        out[0] = out[1] = '\0';
    else if (size == 1)
        out[0] = '\0';
    return 0;
}

// A list cut to its buffer (the result is size - 2) must still end with two
// NULs inside it, so that walkers stop there; some profile implementations
// (Wine's ANSI section-name list among them) leave the last byte unwritten.
static DWORD EndList(char *out, DWORD size, DWORD result)
{
    if (size >= 2 && result >= size - 2)
        out[size - 2] = out[size - 1] = '\0';
    return result;
}

DWORD IniGetSection(const char *section, char *out, DWORD size)
{
    ConfigPath path;
    if (!path.text[0])
        return EmptyList(out, size);
    return EndList(out, size, GetPrivateProfileSectionA(section, out, size, path.text));
}

static int WriteLines(const char *file, void *context)
{
    const char *const *w = (const char *const *)context;   // section, lines
    return WritePrivateProfileSectionA(w[0], w[1], file) ? INI_WRITTEN : INI_FAILED;
}

BOOL IniWriteSection(const char *section, const char *lines)
{
    const char *w[2] = { section, lines };
    return IniUpdate(WriteLines, (void *)w) == INI_WRITTEN;
}

DWORD IniGetSectionNames(char *out, DWORD size)
{
    ConfigPath path;
    if (!path.text[0])
        return EmptyList(out, size);
    return EndList(out, size, GetPrivateProfileSectionNamesA(out, size, path.text));
}

// Reading starts at a size that holds any ordinary section in one call and
// grows fourfold (a file whose text converts to more bytes than it has); past the limit a file is not a configuration any more,
// and the caller gets what fitted, reported as not whole.
#define SECTION_READ_START (16 * 1024)
#define SECTION_READ_LIMIT (64 * 1024 * 1024)
// The first read is not made larger than this for a large file: most of
// such a file is other sections.
#define SECTION_READ_FIRST_LIMIT (1024 * 1024)

int IniReadSection(const char *section, SectionLines *lines)
{
    ConfigPath path;
    return IniReadSectionFrom(path.text, section, lines);
}

int IniReadSectionFrom(const char *path, const char *section, SectionLines *lines)
{
    lines->used = 0;
    if (lines->buf)
        lines->buf[0] = lines->buf[1] = '\0';
    if (!path[0])
        return 0;
    // A section's list is never longer than the file's text: sized so,
    // one read takes it whole.
    size_t start = SECTION_READ_FIRST_LIMIT;
    WIN32_FILE_ATTRIBUTE_DATA file;
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &file) && !file.nFileSizeHigh &&
        file.nFileSizeLow < SECTION_READ_FIRST_LIMIT - 64)
        start = file.nFileSizeLow + 64;
    if (start < SECTION_READ_START)
        start = SECTION_READ_START;
    for (size_t cap = start;; cap *= 4) {
        if (!SectionLinesReserve(lines, cap))
            return 0;
        // The buffer may have grown past cap: use all of it.
        DWORD size = (DWORD)lines->cap;
        DWORD got = EndList(lines->buf, size,
                            GetPrivateProfileSectionA(section, lines->buf, size, path));
        lines->used = got < size - 2 ? got : size - 2;
        lines->buf[lines->used] = '\0';
        // size - 2 is what a list cut to its buffer gives back.
        if (got < size - 2)
            return 1;
        if (lines->cap >= SECTION_READ_LIMIT)
            return 0;
    }
}

BOOL IniWriteSectionLines(const char *section, const SectionLines *lines)
{
    if (lines->failed)
        return FALSE;   // never write a list that lost lines
    return IniWriteSection(section, SectionLinesText(lines));
}
