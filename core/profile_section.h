// A profile section held in memory: read once, looked up and walked with
// the profile functions' own rules, changed, and written back whole.
// Portable, no platform headers.
//
// A section list is what GetPrivateProfileSectionA hands out and what
// WritePrivateProfileSectionA takes: lines, each ending with its NUL, the
// list ending with an empty line.
#pragma once
#include <stddef.h>

// One line of a section split as the profile functions split it.
struct ProfileEntry {
    const char *key;        // blanks around it trimmed; not terminated at keyLen
    size_t keyLen;
    const char *value;      // after the first '=', blanks around it trimmed,
    size_t valueLen;        // quotes kept; NULL for a line without '='
};

// Splits line (len bytes, no NUL needed) at its first '='. Returns 0, with
// *e cleared, for a line that holds no key: blank, a comment (';' first),
// or an empty key name; the profile functions never find a key there.
int ProfileParseLine(const char *line, size_t len, ProfileEntry *e);

// 1 when len bytes of a and b are the same without regard to ASCII case,
// as the profile functions compare names.
int ProfileSameText(const char *a, const char *b, size_t len);

// 1 when the entry's key is key (compared without regard to case, blanks
// around key ignored), as GetPrivateProfileStringA matches key names.
int ProfileKeyIs(const ProfileEntry *e, const char *key);

// The value as GetPrivateProfileStringA gives it: one pair of matching
// quotes (' or ") around the whole value taken off. An entry without '='
// gives "" (as the default would).
void ProfileEntryValue(const ProfileEntry *e, const char **value, size_t *len);

// Copies the entry's value (quotes stripped) into out of cap bytes, cut to
// cap - 1 characters and always terminated; returns the characters copied.
size_t ProfileCopyValue(const ProfileEntry *e, char *out, size_t cap);

// For a key of prefix followed by a decimal number without leading zeros
// (prefix compared without regard to case), returns the number, 1 to
// maxNumber; 0 for any other key.
size_t ProfileKeyNumber(const ProfileEntry *e, const char *prefix, size_t maxNumber);

// Walks the lines of a list of size bytes; *pos starts at 0. Gives each
// line and its length, stops (returns 0) at the empty line that ends the
// list or at size. Never reads at or past size.
int ProfileNextLine(const char *list, size_t size, size_t *pos, const char **line, size_t *len);

// The first entry whose key is key, as the profile functions find it: 1 and
// the entry, or 0 when no line holds the key.
int ProfileFindEntry(const char *list, size_t size, const char *key, ProfileEntry *e);

// --- numbered entries (nameN / pathN) -------------------------------------

// The first nameN and pathN line of each N from 1 to count: what
// GetPrivateProfileStringA would find for those keys, found in one walk.
// count is the number of lines, the most a contiguous reading from 1 can
// use; a number beyond it is looked up in the list itself.
struct NumberedEntries {
    const char *list;
    size_t size;
    size_t count;
    ProfileEntry *name;     // [N - 1]; key NULL when the section has no nameN
    ProfileEntry *path;
    size_t lines;           // lines of the list, comments and blanks included
    size_t *nameLine;       // [N - 1]: index of the line of name[N - 1]
    size_t *pathLine;
};

// Indexes a list, which must outlive the index. Returns 0 when memory ran
// out; the result is then empty but may still be freed.
int NumberedEntriesBuild(NumberedEntries *n, const char *list, size_t size);
void NumberedEntriesFree(NumberedEntries *n);

// The value of nameN or pathN (quotes stripped) into out, "" when there is
// no such key or it has no '='; returns the characters copied.
size_t NumberedName(const NumberedEntries *n, size_t number, char *out, size_t cap);
size_t NumberedPath(const NumberedEntries *n, size_t number, char *out, size_t cap);

// The first N whose nameN is missing or empty: where every reader stops,
// and the number a new entry appended to the section gets.
size_t NumberedEnd(const NumberedEntries *n);

// --- a list to write ------------------------------------------------------

// A section list built in a heap buffer that grows to fit.
struct SectionLines {
    char *buf;          // NULL until the first line; Text() still gives a list
    size_t used;        // bytes of the lines, without the list's final NUL
    size_t cap;
    int failed;         // memory ran out: the list holds the lines before
};

void SectionLinesInit(SectionLines *s);
void SectionLinesFree(SectionLines *s);
// Makes room for at least cap bytes; returns 0 when memory ran out.
int SectionLinesReserve(SectionLines *s, size_t cap);
// Appends "key=value". Returns 1, or 0 (setting failed, list unchanged).
int SectionLinesAdd(SectionLines *s, const char *key, const char *value);
// Appends "key=value" where the profile functions give value back whole:
// a value with blanks at an end, or in a pair of matching quotes, is put in
// double quotes, of which the readers take off exactly one pair.
int SectionLinesAddQuoted(SectionLines *s, const char *key, const char *value);
// Appends one line as it is (len bytes, no NUL inside); an empty line adds
// nothing.
int SectionLinesAddRaw(SectionLines *s, const char *line, size_t len);
// The list, double-NUL terminated, for WritePrivateProfileSectionA.
const char *SectionLinesText(const SectionLines *s);

// A favourites section list with one entry more: the lines of list (size
// bytes) copied into out, then nameN=name and pathN=path, where N is the
// first number whose name is missing or empty, the entry every reader
// reaches next. A line already holding nameN or pathN of that number (the
// empty name that ended the section, a stray path) would come first and
// hide the new entry, so it is left out; entries after such a gap become
// visible behind the new one. Returns N, or 0 when memory ran out.
size_t SectionLinesAppendEntry(const char *list, size_t size, const char *name, const char *path,
                               SectionLines *out);
