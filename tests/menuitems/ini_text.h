// Ini file texts for the Menu items page tests.
#pragma once
#include <string>

// The text with every LF made CRLF, as the profile functions write files.
inline std::string Crlf(const std::string &lf)
{
    std::string out;
    for (char c : lf) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
