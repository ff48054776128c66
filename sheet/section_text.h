// Section text as the profile functions take it, and the search for a
// section's header line in a profile file's bytes; portable, no platform
// headers.
#pragma once
#include <stddef.h>

// A list of "key=value" lines, each ending with its NUL, the list ending
// with one more NUL, built in a caller's buffer of cap bytes.
struct SectionText {
    char *buf;
    size_t cap;
    size_t used;     // bytes of the lines so far, without the list's final NUL
    int overflow;    // set once a line did not fit; the list holds those before it
};

// Starts an empty list (two NUL bytes where there is room for them).
void SectionTextInit(SectionText *t, char *buf, size_t cap);

// Appends "key=value" and keeps the list terminated. Returns 1; returns 0
// and sets overflow, leaving the list as it was, when the line does not fit.
int SectionTextAddLine(SectionText *t, const char *key, const char *value);

// Finds the header line of a section in size bytes of file data as the
// profile functions find it: a line (lines end with LF) that starts, after
// blanks, with '[', whose text up to the line's last ']' is the name,
// compared without regard to case; text after that bracket ("[work] ;
// notes") is allowed. Returns 1 with the line's offset and its length
// including its LF (none at the end of the data); returns 0 when there is
// no such line. Reads no byte at or past size.
int FindSectionHeaderLine(const char *data, size_t size, const char *name,
                          size_t *offset, size_t *length);

// 1 when the section's lines in the file data (from its header line to the
// next header) include a comment line (';' after blanks). The profile
// functions drop those on a whole-section write, and some do not hand them
// out on a section read.
int SectionHasCommentLines(const char *data, size_t size, const char *name);
