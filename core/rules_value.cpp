#include "rules_value.h"

static const struct {
    const char *word;
    unsigned flag;
} kRuleWords[] = {
    { "ontop", RULE_TOPMOST },
    { "mintray", RULE_MIN_TRAY },
    { "minfloat", RULE_MIN_FLOAT },
    { "closetray", RULE_CLOSE_TRAY },
    { "starttray", RULE_START_TRAY },
};

static bool IsSeparator(char c)
{
    return c == ',' || c == ' ' || c == '\t';
}

static char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

// Whether text[0..length) is word, ignoring ASCII case.
static bool SameWord(const char *text, size_t length, const char *word)
{
    size_t i = 0;
    for (; i < length && word[i]; i++)
        if (Lower(text[i]) != word[i])
            return false;
    return i == length && !word[i];
}

unsigned ParseRules(const char *text, size_t length)
{
    unsigned rules = 0;
    if (!text)
        return 0;
    size_t i = 0;
    while (i < length && text[i]) {
        while (i < length && text[i] && IsSeparator(text[i]))
            i++;
        size_t start = i;
        while (i < length && text[i] && !IsSeparator(text[i]))
            i++;
        for (size_t k = 0; k < sizeof(kRuleWords) / sizeof(kRuleWords[0]); k++)
            if (SameWord(text + start, i - start, kRuleWords[k].word))
                rules |= kRuleWords[k].flag;
    }
    if (rules & RULE_MIN_TRAY)
        rules &= ~(unsigned)RULE_MIN_FLOAT;
    return rules;
}

size_t FormatRules(unsigned rules, char *out, size_t cap)
{
    if (cap == 0)
        return 0;
    size_t n = 0;
    for (size_t k = 0; k < sizeof(kRuleWords) / sizeof(kRuleWords[0]); k++) {
        if (!(rules & kRuleWords[k].flag))
            continue;
        if (kRuleWords[k].flag == RULE_MIN_FLOAT && (rules & RULE_MIN_TRAY))
            continue;
        const char *word = kRuleWords[k].word;
        size_t need = (n ? 1 : 0);
        for (const char *p = word; *p; p++)
            need++;
        if (n + need + 1 > cap) {
            out[0] = '\0';
            return 0;
        }
        if (n)
            out[n++] = ',';
        for (const char *p = word; *p; p++)
            out[n++] = *p;
    }
    out[n] = '\0';
    return n;
}
