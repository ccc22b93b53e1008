#!/usr/bin/env python3
"""Fails when a message of the program is missing from the manual.

Usage: check_messages.py SOURCE_ROOT MESSAGES.md

Reads the message texts from the sources listed in SOURCES (every string
literal with a Cyrillic letter in the named function, or in the whole file),
cuts them at the pieces the program fills in, and demands each piece in the
message chapter (line breaks and runs of blanks count as one blank). Every
help anchor the sources name ("msg-...") must be an id of that chapter.
A new message source is one more line in SOURCES.
"""
import re
import sys

SOURCES = [
    ('link/Comportclass.cpp', None),           # result codes of the link
    ('link/ui/UiSupport.cpp', None),           # port errors of the system
    ('link/PortList.cpp', 'ParseTcpPortName'),  # TCP gateway addresses
    ('image/Entry.cpp', 'ShowEntryError'),
    ('range/Tables.h', None),
    ('range/Tables.cpp', None),
    ('range/Fit.h', None),                     # refusals of the range calculation
    ('app/core/Rules.cpp', None),              # acceptance of a reading, block check
    ('app/core/Workflow.cpp', 'WriteRefusalBox'),
    ('app/core/SavedSet.cpp', None),
    ('app/core/Journal.cpp', 'AppendJournal'),
    ('app/core/Journal.cpp', 'ReadJournal'),
    ('app/ui/Form1Session.cpp', None),         # questions on leaving a device
    ('app/ui/Form1Calibr.cpp', None),          # calibration questions
    ('app/ui/Form1Alarm.cpp', None),
    ('app/ui/Form1NonStand.cpp', None),
    ('app/ui/Obrline.cpp', 'ButCsvClick'),
    ('app/ui/TrendPanel.cpp', 'SaveCsv'),
    ('app/ui/TrendPanel.cpp', 'SavePng'),
    ('app/ui/TracePanel.cpp', 'Save'),
]
# Texts of the sources above that are not messages.
NOT_MESSAGES = {'неиспользуемые байты блока', 'б', 'Б'}

LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
CYRILLIC = re.compile('[\u0400-\u04ff]')
ANCHOR = re.compile(r'msg-[a-z0-9]+(-[a-z0-9]+)*')


def strip_comments(code):
    code = re.sub(r'/\*.*?\*/', ' ', code, flags=re.S)
    return re.sub(r'//[^\n]*', '', code)


def function_body(code, name):
    m = re.search(r'\b' + re.escape(name) + r'\s*\([^;{]*\)\s*(const\s*)?\{', code)
    if not m:
        return None
    depth, i = 0, m.end() - 1
    while i < len(code):
        depth += {'{': 1, '}': -1}.get(code[i], 0)
        if depth == 0:
            return code[m.start():i + 1]
        i += 1
    return None


def normal(text):
    text = text.replace('\\n', ' ').replace('\\"', '"').replace('\\\\', '\\')
    return re.sub(r'\s+', ' ', text).strip()


def pieces(code):
    """Literals next to each other are one text (the compiler joins them)."""
    out, run, last_end = [], None, None
    for m in LITERAL.finditer(code):
        if run is not None and code[last_end:m.start()].strip() == '':
            run += m.group(1)
        else:
            if run is not None:
                out.append(run)
            run = m.group(1)
        last_end = m.end()
    if run is not None:
        out.append(run)
    return out


def main():
    root, chapter = sys.argv[1], sys.argv[2]
    manual = open(chapter, encoding='utf-8').read()
    anchors = set(re.findall(r'id="([^"]+)"', manual)) | set(re.findall(r'\{#([\w-]+)', manual))
    text = normal(re.sub(r'<[^>]+>|`|\*\*|\\(?=[|*_`])', '', manual).replace('|', ' '))
    missing = []
    for path, function in SOURCES:
        code = strip_comments(open(f'{root}/{path}', encoding='utf-8').read())
        if function:
            code = function_body(code, function)
            if code is None:
                missing.append(f'{path}: no function {function} (update SOURCES)')
                continue
        for piece in pieces(code):
            if ANCHOR.fullmatch(piece) and piece not in anchors:
                missing.append(f'{path}: help anchor {piece} is not in {chapter}')
            words = normal(piece)
            if CYRILLIC.search(words) and words not in NOT_MESSAGES and words not in text:
                missing.append(f'{path}: "{words}"')
    for line in missing:
        print('missing from the manual:', line)
    return 1 if missing else 0


if __name__ == '__main__':
    sys.exit(main())
