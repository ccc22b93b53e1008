#!/usr/bin/env python3
"""Renders the operator's manual: each Markdown chapter into one HTML page.

Usage: render.py OUT_DIR CHAPTER.md...   (the first chapter is index.md)

Pictures are looked for in OUT_DIR/img (make screenshots puts them there); a
missing one is replaced by a note, so the manual builds without a display.
Every id also gets a named anchor, which the program's help window follows.
"""
import html
import os
import re
import sys

import markdown
from markdown.extensions.toc import slugify_unicode

STYLE = """body{font-family:sans-serif;max-width:60em;margin:1em auto;padding:0 1em;line-height:1.4}
table{border-collapse:collapse;margin:.5em 0}td,th{border:1px solid #999;padding:.2em .5em;vertical-align:top}
th{background:#eee}code{background:#f4f4f4}img{max-width:100%;border:1px solid #ccc}
.nav{border-bottom:1px solid #ccc;padding-bottom:.3em;margin-bottom:1em}.noimg{color:#666;font-style:italic}"""


def page(title, body, nav):
    return (f'<!DOCTYPE html>\n<html lang="ru"><head><meta charset="utf-8">'
            f'<title>{html.escape(title)}</title><style>{STYLE}</style></head>\n'
            f'<body>\n<p class="nav">{nav}</p>\n{body}\n<p class="nav">{nav}</p>\n</body></html>\n')


def named_anchors(body):
    def add(m):
        tag, attrs, ident = m.group(1), m.group(0)[:-1], m.group(2)
        if tag == 'a':
            return f'{attrs} name="{ident}">'
        return f'{attrs}><a name="{ident}"></a>'
    return re.sub(r'<(\w+)\b[^>]*?\bid="([^"]+)"[^>]*>', add, body)


def pictures(body, out_dir):
    def check(m):
        src = re.search(r'src="([^"]+)"', m.group(0)).group(1)
        if os.path.exists(os.path.join(out_dir, src)):
            return m.group(0)
        alt = re.search(r'alt="([^"]*)"', m.group(0))
        what = alt.group(1) if alt else src
        return f'<span class="noimg">[Рисунок: {what}. Снимки окон в эту сборку не включены.]</span>'
    return re.sub(r'<img\b[^>]*>', check, body)


def main():
    out_dir, chapters = sys.argv[1], sys.argv[2:]
    os.makedirs(out_dir, exist_ok=True)
    names = [os.path.splitext(os.path.basename(c))[0] + '.html' for c in chapters]
    for i, path in enumerate(chapters):
        with open(path, encoding='utf-8') as f:
            text = f.read()
        md = markdown.Markdown(extensions=['toc', 'tables', 'attr_list'],
                               extension_configs={'toc': {'slugify': slugify_unicode}})
        body = pictures(named_anchors(md.convert(text)), out_dir)
        title = re.search(r'^#\s+(.*?)(\s*\{.*\})?$', text, re.M).group(1)
        links = ['<a href="index.html">Содержание</a>']
        if i > 0:
            links.append(f'<a href="{names[i - 1]}">Назад</a>')
        if i + 1 < len(names):
            links.append(f'<a href="{names[i + 1]}">Далее</a>')
        with open(os.path.join(out_dir, names[i]), 'w', encoding='utf-8') as f:
            f.write(page(title + ' — Руководство оператора tservice', body, ' | '.join(links)))


if __name__ == '__main__':
    main()
