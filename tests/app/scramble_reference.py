#!/usr/bin/env python3
"""Computes stored password values on its own, for the table in TestPasswordDlg.cpp.

Written from the description of the scrambling, without the C++ code: run it and paste the lengths
and SHA-256 digests it prints into the table when an entry is added.
"""
import hashlib


def generator(seed):
    state = seed & 0xFFFFFFFF
    while True:
        state = (state * 214013 + 2531011) & 0xFFFFFFFF
        yield (state >> 16) & 0x7FFF


def scramble(entry: bytes) -> bytes:
    n = len(entry)
    if n == 0 or n > 250:
        return b""
    rand = generator(7781)
    step = 250 // n
    s = bytearray(250)
    i = 0  # number of the next character position
    for j in range(249, 0, -1):
        if j % step:
            s[j] = next(rand) % 94 + 32
            continue
        if i < n:
            s[j] = (entry[i] << 2) & 0xFF
        elif i == n:
            s[j] = 0
        else:  # beyond the terminator: a printable byte from the entry, taken from its start
            s[j] = entry[(i - n - 1) % n] % 94 + 32
        i += 1
    s[0] = ord("x")
    return bytes(s).split(b"\0", 1)[0]


def cycle(n):
    letters = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    return (letters * (n // len(letters) + 1))[:n]


ENTRIES = [
    ("abc", b"abc"),
    ("password", b"password"),
    ("p\u00e4sswd", "p\u00e4sswd".encode()),
    ("cycle 20", cycle(20)),
    ("cycle 249", cycle(249)),
    ("q", b"q"),
    ("hello", b"hello"),
    ("p\u00e4ssw\u00f6rd", "p\u00e4ssw\u00f6rd".encode()),
    ("cycle 250", cycle(250)),
    ("cycle 18", cycle(18)),
    ("cycle 48", cycle(48)),
    ("cycle 248", cycle(248)),
    ("cycle 28", cycle(28)),
    ("cycle 100", cycle(100)),
    ("ab@de", b"ab@de"),
    ("Ab@cdefg", b"Ab@cdefg"),
    ("x\u00c0yz", "x\u00c0yz".encode()),
    ("abcd@", b"abcd@"),
]

if __name__ == "__main__":
    g = generator(7781)
    print("generator:", [next(g) for _ in range(5)])
    for name, entry in ENTRIES:
        s = scramble(entry)
        print(f'{name!r:14} n={len(entry):3} step={250 // len(entry):3} '
              f'len={len(s):3} {hashlib.sha256(s).hexdigest()}')
    short = scramble(cycle(18))
    print("cycle 18 stored:", short.hex())
