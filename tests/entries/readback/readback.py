#!/usr/bin/env python3
"""Reads every case of the entries readback (see cases.cpp) with the server's own YAML reader
(SnakeYAML, through tests/e2e/yaml_readback/ReadBack.java) and with PyYAML when it is installed:
the text after the update must read back with each changed value as the field held it, and with
everything else exactly as the text before read.

Usage: readback.py CASES_FILE READBACK_CLASSPATH"""
import base64
import json
import re
import subprocess
import sys

cases_file, classpath = sys.argv[1], sys.argv[2]

cases = []
for line in open(cases_file, encoding="ascii").read().splitlines():
    cols = [base64.b64decode(c).decode("utf-8") for c in line.split("\t")]
    expects = [(cols[i].split("\x1f"), cols[i + 1], cols[i + 2]) for i in range(3, len(cols), 3)]
    cases.append({"name": cols[0], "before": cols[1], "after": cols[2], "expects": expects})


def snakeyaml(texts):
    feed = "".join(base64.b64encode(t.encode()).decode() + "\n" for t in texts)
    run = subprocess.run(["java", "-cp", classpath, "ReadBack"], input=feed.encode(), capture_output=True,
                         timeout=600)
    docs = [json.loads(line) for line in run.stdout.decode().split("\n") if line]
    if len(docs) != len(texts):
        sys.exit(f"SnakeYAML read {len(docs)} of {len(texts)} texts: {run.stderr.decode()[-500:]}")
    return docs


def as_readback(value):
    """A PyYAML value in ReadBack.java's form: keys as text, numbers as {"number": ...}."""
    if value is None or isinstance(value, (bool, str)):
        return value
    if isinstance(value, dict):
        return {key_text(k): as_readback(v) for k, v in value.items()}
    if isinstance(value, list):
        return [as_readback(v) for v in value]
    if isinstance(value, (int, float)):
        return {"number": str(value)}
    return {"type": type(value).__name__}


def key_text(key):
    return {True: "true", False: "false", None: "null"}.get(key, str(key)) if not isinstance(key, str) else key


def pyyaml(texts):
    import yaml
    docs = []
    for text in texts:
        try:
            docs.append(as_readback(yaml.load(text, Loader=yaml.SafeLoader)))
        except yaml.YAMLError as e:
            docs.append({"error": type(e).__name__})
    return docs


MISSING = object()


def walk(doc, path):
    for key in path:
        if isinstance(doc, list) and key.isdigit() and int(key) < len(doc):
            doc = doc[int(key)]
        elif isinstance(doc, dict) and key in doc:
            doc = doc[key]
        else:
            return MISSING
    return doc


def put(doc, path, value):
    parent = walk(doc, path[:-1])
    key = int(path[-1]) if isinstance(parent, list) else path[-1]
    if value is MISSING:
        if isinstance(parent, dict):
            parent.pop(key, None)
    elif isinstance(parent, list) and key == len(parent):
        parent.append(value)
    else:
        parent[key] = value


def is_decimal(text):
    return re.fullmatch(r"[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?", text) is not None


def reads_as(held, got):
    """A number field: its text, or the number it is."""
    if held == "":
        return got is None
    if isinstance(got, str):
        return got == held
    if isinstance(got, dict) and "number" in got:
        return is_decimal(held) and float(got["number"]) == float(held)
    return False


def problem(case, before, after):
    if "error" in before or "error" in after:
        return f"does not load: before {before.get('error')}, after {after.get('error')}"
    for path, how, value in case["expects"]:
        if how == "rename":
            before[value] = before.pop(path[0])
            continue
        got = walk(after, path)
        shown = "(absent)" if got is MISSING else json.dumps(got, ensure_ascii=False)
        ok = {"text": lambda: got == value, "number": lambda: reads_as(value, got),
              "json": lambda: got == json.loads(value), "absent": lambda: got is MISSING,
              "copy": lambda: got is not MISSING and got == walk(after, [value])}[how]()
        if not ok:
            return f"{'/'.join(path)} reads {shown}, not {how} {value!r}"
        put(before, path, got)
    if before != after:
        return "other values changed:\n    expected " + json.dumps(before, ensure_ascii=False)[:600] + \
               "\n    read     " + json.dumps(after, ensure_ascii=False)[:600]
    return None


texts = [t for case in cases for t in (case["before"], case["after"])]
readers = [("SnakeYAML", snakeyaml(texts))]
try:
    import yaml  # noqa: F401
    readers.append(("PyYAML", pyyaml(texts)))
except ImportError:
    print("PyYAML is not installed (python3-yaml): SnakeYAML alone")



def pyyaml_differs(case):
    """Values the builder writes plain because SnakeYAML reads them as typed, where PyYAML does
    not (tests/yaml/corpus.cpp lists where the readers part ways): "=" is PyYAML's value tag, and
    PyYAML rejects a tab between the words of a plain scalar, and a tab before a comment."""
    return "\t#" in case["before"] or any(
        text == "=" or "\t" in text for path, _, value in case["expects"] for text in (*path, value))


failures = 0
for name, docs in readers:
    skipped = 0
    for i, case in enumerate(cases):
        if name == "PyYAML" and pyyaml_differs(case):
            skipped += 1
            continue
        found = problem(case, docs[2 * i], docs[2 * i + 1])
        if found:
            failures += 1
            if failures <= 20:
                print(f"FAIL {name}: {case['name']}, {case['expects'][0][2]!r}: {found}\n  after: {case['after']!r}")
    print(f"{name}: {len(cases) - skipped} updated texts read back, {failures} failures so far"
          + (f" ({skipped} with values it reads unlike the server left out)" if skipped else ""))
sys.exit(1 if failures else 0)
