#!/usr/bin/env python3
"""Prints the About page's two lines in their stored (scrambled) form.

Usage: scramble_lines.py [seed]. Without a seed, searches upwards from 1 for
the first seed with which no scrambled byte is 0 (the routines find the end
of a line by its 0 byte). Paste the output into sheet/scramble.cpp.
"""
import sys

MULTIPLIER = 0x0019660D
INCREMENT = 0x3C6EF35F
LINES = ["Tidy your desk", "Copyright (c) 2026"]


def keys(seed, n):
    state = seed
    for _ in range(n):
        state = (state * MULTIPLIER + INCREMENT) & 0xFFFFFFFF
        yield state >> 24


def scramble(text, seed):
    return bytes(((b + k) & 0xFF) ^ k for b, k in zip(text.encode("ascii"), keys(seed, len(text))))


def usable(seed):
    return all(0 not in scramble(line, seed) for line in LINES)


def main():
    if len(sys.argv) > 1:
        seed = int(sys.argv[1], 0)
    else:
        seed = 0x5A17C0DE
        while not usable(seed):
            seed += 1
    if not usable(seed):
        sys.exit("seed 0x%08X gives a 0 byte" % seed)
    print("seed 0x%08X" % seed)
    for line in LINES:
        data = scramble(line, seed)
        print("/* %d */ { %s, 0 }" % (len(line), ", ".join("0x%02X" % b for b in data)))


if __name__ == "__main__":
    main()
