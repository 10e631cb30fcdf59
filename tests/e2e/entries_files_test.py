#!/usr/bin/env python3
"""Entries of hand-written files through the real executable: a GBK file with CR LF and a UTF-8
file with LF, comments, single quotes and other indentation, opened, one entry loaded and one
value changed with update-entry, saved: exactly the changed line differs in the file's bytes, and
the server's YAML rules (PyYAML, as SnakeYAML reads these) read the new value.

Usage: entries_files_test.py EDITOR
"""
import json
import os
import subprocess
import sys
import tempfile

import yaml

EDITOR = sys.argv[1]
work = tempfile.mkdtemp(prefix="quorvel-entries.")
env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_DATA_HOME=os.path.join(work, "data"),
           XDG_RUNTIME_DIR=os.path.join(work, "runtime"))
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
failures = 0


def check(what, condition, detail=""):
    global failures
    print(("ok: " if condition else "FAIL: ") + what + ("" if condition else "\n  " + str(detail)))
    if not condition:
        failures += 1


def run(requests):
    script = os.path.join(work, "script.jsonl")
    with open(script, "w", encoding="utf-8") as out:
        for request in requests:
            out.write(json.dumps(request, ensure_ascii=False) + "\n")
    done = subprocess.run([EDITOR, "--script", script], env=env, capture_output=True, timeout=120)
    return [json.loads(line) for line in done.stdout.decode("utf-8").splitlines()]


TEXT = ("# 宝石\n"
        "ruby:   # 红的\n"
        "    Keylore: '&c红'\n"
        "    Display_Name: \"&c红宝石\"   # 名字\n"
        "    Max_Grade: 3\n"
        "    Shiny: true\n"
        "    Base_Success_Rate: 50\n"
        "\n"
        "# 绿的\n"
        "jade:\n"
        "    Display_Name: '&a翡翠'\n"
        "    Max_Grade: 2\n"
        "    Shiny: false\n")

for name, encoding, eol in [("gbk-crlf.yml", "gbk", "\r\n"), ("utf8-lf.yml", "utf-8", "\n")]:
    path = os.path.join(work, name)
    original = TEXT.replace("\n", eol).encode(encoding)
    with open(path, "wb") as out:
        out.write(original)
    replies = run([
        {"op": "open", "control": "编辑框20", "path": path},
        {"op": "load-entry", "control": "编辑框20", "entry": "ruby"},
        {"op": "set", "control": "编辑框63", "text": "5"},
        {"op": "set", "control": "编辑框61", "text": "&c&l红宝石 #1"},
        {"op": "update-entry", "control": "编辑框20"},
        {"op": "diff", "control": "编辑框20"},
        {"op": "save", "control": "编辑框20", "path": path},
    ])
    check(name + ": every request answered ok", all(r.get("ok") for r in replies), replies)
    with open(path, "rb") as source:
        saved = source.read()
    before = original.split(eol.encode())
    after = saved.split(eol.encode())
    changed = [i for i, (a, b) in enumerate(zip(before, after)) if a != b]
    check(name + ": only the two changed lines differ, line ends and encoding kept",
          len(before) == len(after) and changed == [3, 4], (changed, saved))
    check(name + ": the grade line as the editor writes a number", after[4] == b"    Max_Grade: 5")
    read = yaml.safe_load(saved.decode(encoding))
    check(name + ": the server reads the new values, the comment of the name line kept",
          read["ruby"]["Max_Grade"] == 5 and read["ruby"]["Display_Name"] == "&c&l红宝石 #1"
          and "# 名字".encode(encoding) in after[3] and read["jade"]["Max_Grade"] == 2, (read, after[3]))
    check(name + ": the diff named the two lines",
          replies[5].get("changes") == [{"line": 4, "removed": ["    Display_Name: \"&c红宝石\"   # 名字", "    Max_Grade: 3"],
                                         "added": ["    Display_Name: \"&c&l红宝石 #1\"   # 名字", "    Max_Grade: 5"]}],
          replies[5])

sys.exit(1 if failures else 0)
