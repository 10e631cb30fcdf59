#!/usr/bin/env python3
"""Reads NAME TAB BASE64 lines with PyYAML's safe loader and prints NAME TAB RESULT lines in
the form SnakeDump.java prints, so that the two YAML 1.1 readers compare line by line."""
import base64
import sys

import yaml


def quote(value):
    out = ['"']
    for ch in value:
        cp = ord(ch)
        if ch == '\\':
            out.append('\\\\')
        elif ch == '"':
            out.append('\\"')
        elif ch == '\n':
            out.append('\\n')
        elif ch == '\r':
            out.append('\\r')
        elif ch == '\t':
            out.append('\\t')
        elif cp < 0x20 or 0x7F <= cp <= 0x9F or cp in (0x2028, 0x2029, 0xFEFF, 0xFFFE, 0xFFFF) or 0xD800 <= cp <= 0xDFFF:
            out.append('\\u{%04X}' % cp)
        else:
            out.append(ch)
    return ''.join(out) + '"'


def tag(node):
    t = node.tag
    return '!!' + t[18:] if t.startswith('tag:yaml.org,2002:') else '!<' + t + '>'


STYLES = {None: 'p', '': 'p', "'": 's', '"': 'd', '|': 'l', '>': 'f'}


def dump(node, path):
    if id(node) in path:
        return '<recursive>'
    path.add(id(node))
    if isinstance(node, yaml.ScalarNode):
        out = tag(node) + ' ' + STYLES[node.style] + quote(node.value)
    elif isinstance(node, yaml.SequenceNode):
        out = ('' if tag(node) == '!!seq' else tag(node) + ' ') + '[' + ', '.join(dump(n, path) for n in node.value) + ']'
    else:
        out = ('' if tag(node) == '!!map' else tag(node) + ' ') + '{' + ', '.join(
            dump(k, path) + ': ' + dump(v, path) for k, v in node.value) + '}'
    path.discard(id(node))
    return out


def describe(text):
    try:
        data = yaml.load(text, Loader=yaml.SafeLoader)
    except yaml.reader.ReaderError as e:
        return 'error reader %04X' % e.character if isinstance(e.character, int) else 'error reader %04X' % ord(e.character)
    except yaml.MarkedYAMLError as e:
        m = e.problem_mark
        kind = type(e).__name__.replace('Error', '').lower()
        return 'error %d:%d %s: %s' % (m.line, m.column, kind, e.problem) if m else 'error - %s: %s' % (kind, e.problem)
    except Exception as e:  # a constructor failing outside PyYAML's own errors
        return 'error python: ' + type(e).__name__
    root = yaml.compose(text, Loader=yaml.SafeLoader)
    tree = '-' if root is None else dump(root, set())
    return ('ok ' if data is None or isinstance(data, dict) else 'notmap ') + tree


def one_line(s):
    return s.replace('\t', '\\t').replace('\n', '\\n').replace('\r', '\\r')


for line in sys.stdin:
    line = line.rstrip('\n')
    if not line:
        continue
    name, data = line.split('\t')[:2]
    text = base64.b64decode(data).decode('utf-8', 'replace')
    print(name + '\t' + one_line(describe(text)))
