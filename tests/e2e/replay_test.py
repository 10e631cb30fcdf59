#!/usr/bin/env python3
"""The automation replies of a fixed script over every button of every window and every op,
compared line for line with the replies kept in replay/expected.jsonl. Any change to what a
button writes, what a control holds or what an op answers shows up here as a differing line.

Usage: replay_test.py EDITOR             run the script, compare
       replay_test.py EDITOR --generate  write replay/requests.jsonl from the editor's own dump
       replay_test.py EDITOR --update    write the replies as the new expected ones

The requests are made once, from a dump of the windows, and kept, so the script stays the same
when the windows change. Paths inside replies are written relative to a scratch folder.
"""
import json
import os
import subprocess
import sys
import tempfile

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "replay")
REQUESTS = os.path.join(HERE, "requests.jsonl")
EXPECTED = os.path.join(HERE, "expected.jsonl")
EDITOR = sys.argv[1]
MODE = sys.argv[2] if len(sys.argv) > 2 else "--compare"

# Values typed into the fields, in turn: plain, Chinese, numbers, and the values that YAML and
# the console misread (quotes, backslashes, colons, leading blanks, booleans, comments).
VALUES = ["10", "宝石", "a\"b\\c", " 5", "yes", "&c红色 #1", "", "1:20", "-8.5", "&x&f&f&0&0&0&0名", "ruby", "§l粗"]
WINDOW_IDS = ["0x52010001", "0x520100FB", "0x5201026B", "0x52010270", "0x520103C2"]


def run(requests, work):
    script = os.path.join(work, "script.jsonl")
    with open(script, "w", encoding="utf-8") as out:
        for request in requests:
            out.write(json.dumps(request, ensure_ascii=False) + "\n")
    # The full form on a screen with room for it; the small screens have tests of their own.
    screen = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support", "offscreen-1920x1080.json")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen:configfile=" + screen, XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_RUNTIME_DIR=os.path.join(work, "runtime"), LANG="C.UTF-8")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    done = subprocess.run([EDITOR, "--script", script], env=env, cwd=work, capture_output=True, timeout=300)
    lines = done.stdout.decode("utf-8").splitlines()
    if len(lines) != len(requests):
        raise SystemExit("FAIL: %d replies to %d requests\n%s" % (len(lines), len(requests), done.stderr.decode()))
    return [line.replace(work, "$WORK") for line in lines]


def generate():
    """The script: every window opened, every field given a value, every button clicked with the
    panels read after it, every op, the file ops on files in the scratch folder."""
    with tempfile.TemporaryDirectory() as work:
        opener = [{"op": "click", "control": name} for name in ("按钮23", "按钮52", "按钮53", "按钮70")]
        dumped = json.loads(run(opener + [{"op": "dump"}], work)[-1])
    requests = [{"op": "dump"}]
    requests += opener
    requests.append({"op": "windows"})
    panels = [("0x52010001", "编辑框1"), ("0x52010001", "编辑框20"), ("0x520100FB", "编辑框1")]
    n = 0
    for window in dumped["windows"]:
        wid = window["id"]
        for unit in window["units"]:
            kind, name = unit["kind"], unit["name"]
            target = {"window": wid, "control": name}
            if kind == "EditBox" and not unit["disabled"] and (wid, name) not in panels:
                requests.append({"op": "set", **target, "text": VALUES[n % len(VALUES)]})
                requests.append({"op": "text", **target})
                n += 1
            elif kind == "ComboBox":
                count = len(unit["items"])
                requests.append({"op": "select", **target, "index": (n % (count + 1)) - 1 if count else -1})
                requests.append({"op": "selection", **target})
                n += 1
            elif kind == "CheckBox":
                requests.append({"op": "toggle", **target, "checked": n % 2 == 0})
                requests.append({"op": "selection", **target})
                n += 1
    for window in dumped["windows"]:
        wid = window["id"]
        for unit in window["units"]:
            if unit["kind"] != "Button" or not unit["click"] or unit["name"] in ("按钮23", "按钮52", "按钮53", "按钮70"):
                continue
            if unit["name"] == "按钮74":  # the command reader opens a dialog of its own
                continue
            requests.append({"op": "click", "window": wid, "control": unit["name"]})
            for pwid, pname in panels:
                requests.append({"op": "text", "window": pwid, "control": pname})
    for field in ["编辑框98", "编辑框61", "编辑框96", "编辑框60", "编辑框68", "编辑框69", "编辑框82", "编辑框26", "预览框1", "图片框3"]:
        requests.append({"op": "preview", "control": field})
    requests += [
        {"op": "check", "control": "编辑框20"},
        {"op": "check", "control": "编辑框1"},
        {"op": "clipboard"},
        {"op": "page", "index": 4},
        {"op": "selection", "control": "高级选择夹1"},
        {"op": "set", "control": "编辑框20", "text": "ruby:\n  Keylore: \"&c红\"\n  Max_Grade: 3\n"},
        {"op": "save", "control": "编辑框20", "path": "socket.yml"},
        {"op": "save", "control": "编辑框20", "path": "socket.yml", "mode": "append"},
        {"op": "save", "control": "编辑框20", "path": "gbk.yml", "encoding": "GBK", "lineEnd": "LF"},
        {"op": "open", "control": "编辑框20", "path": "gbk.yml"},
        {"op": "open", "control": "编辑框20", "path": "socket.yml", "mode": "append"},
        {"op": "text", "control": "编辑框20"},
        {"op": "open", "control": "编辑框20", "path": "missing.yml"},
        {"op": "save", "control": "编辑框1", "path": "commands.txt"},
        {"op": "set", "control": "编辑框20", "text": "a: [\n"},
        {"op": "save", "control": "编辑框20", "path": "broken.yml"},
        {"op": "save", "control": "编辑框20", "path": "broken.yml", "force": True},
    ]
    for action in dumped["actions"]:
        if action != "quit":
            requests.append({"op": "trigger", "action": action})
    requests += [
        {"op": "text", "control": "编辑框20"},
        {"op": "nonsense"},
        {"op": "close", "window": "0x520103C2"},
        {"op": "windows"},
        {"op": "dump"},
        {"op": "trigger", "action": "quit"},
        {"op": "windows"},
    ]
    os.makedirs(HERE, exist_ok=True)
    with open(REQUESTS, "w", encoding="utf-8") as out:
        for request in requests:
            out.write(json.dumps(request, ensure_ascii=False) + "\n")
    print("wrote %d requests to %s" % (len(requests), REQUESTS))


def main():
    if MODE == "--generate":
        return generate()
    with open(REQUESTS, encoding="utf-8") as source:
        requests = [json.loads(line) for line in source]
    with tempfile.TemporaryDirectory() as work:
        replies = run(requests, work)
    if MODE == "--update":
        with open(EXPECTED, "w", encoding="utf-8") as out:
            out.write("\n".join(replies) + "\n")
        print("wrote %d replies to %s" % (len(replies), EXPECTED))
        return 0
    with open(EXPECTED, encoding="utf-8") as source:
        expected = source.read().splitlines()
    differing = [i for i, (got, want) in enumerate(zip(replies, expected)) if got != want]
    if len(expected) != len(replies):
        print("FAIL: %d replies, %d expected" % (len(replies), len(expected)))
        return 1
    for i in differing[:20]:
        print("FAIL: line %d, request %s\n  got:  %s\n  want: %s" % (i + 1, json.dumps(requests[i], ensure_ascii=False),
                                                                   replies[i][:2000], expected[i][:2000]))
    if differing:
        print("%d of %d replies differ" % (len(differing), len(replies)))
        return 1
    print("ok: all %d replies as expected" % len(replies))
    return 0


if __name__ == "__main__":
    sys.exit(main())
