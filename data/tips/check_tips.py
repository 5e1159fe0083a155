#!/usr/bin/env python3
"""Checks the tip catalogues: 600 LF-terminated UTF-8 lines numbered 401 to 1000,
each "n text" with non-empty text of at most 253 bytes. Prints per language the
longest text in bytes and the number of real (non-placeholder) lines."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MAX_BYTES = 253
PLACEHOLDER = '-'


def check(path):
    problems = []
    data = open(path, 'rb').read()
    if b'\r' in data:
        problems.append('contains CR')
    if not data.endswith(b'\n'):
        problems.append('last line has no LF')
    try:
        lines = data.decode('utf-8').split('\n')[:-1]
    except UnicodeDecodeError as err:
        return [f'not UTF-8: {err}'], 0, 0
    if len(lines) != 600:
        problems.append(f'{len(lines)} lines, expected 600')
    longest = real = 0
    for offset, line in enumerate(lines):
        expected = 401 + offset
        number, blank, text = line.partition(' ')
        if number != str(expected):
            problems.append(f'line {offset + 1}: number {number!r}, expected {expected}')
        if not blank or not text.strip():
            problems.append(f'{expected}: empty text')
        size = len(text.encode('utf-8'))
        if size > MAX_BYTES:
            problems.append(f'{expected}: {size} bytes')
        longest = max(longest, size)
        real += text != PLACEHOLDER
    return problems, longest, real


def main():
    failed = False
    for lang in sys.argv[1:] or ['E', 'J', 'C']:
        problems, longest, real = check(os.path.join(HERE, f'Tips.{lang}'))
        print(f'Tips.{lang}: longest {longest} bytes, {real} real lines, {len(problems)} problems')
        for problem in problems:
            print('  ' + problem)
        failed |= bool(problems)
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
