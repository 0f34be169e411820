#!/usr/bin/env python3
# SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
"""Checks the translation catalogues against the messages in the code.

Extracts a fresh template from POTFILES (the same keywords as the build),
then for every language in LINGUAS: the catalogue compiles with
msgfmt --check, has no untranslated or fuzzy entries, holds every message of
the template, and keeps exactly the {placeholders} of each msgid.
"""
import re
import subprocess
import sys
import tempfile
from pathlib import Path

root = Path(sys.argv[1])
po_dir = root / "app" / "po"
placeholder = re.compile(r"\{[a-z]+\}")


def parse(path):
    """Returns {msgid: (msgstr, fuzzy)} of a PO or POT file, without the header."""
    text = subprocess.run(["msgcat", "--no-wrap", str(path)], check=True, capture_output=True,
                          text=True).stdout
    entries = {}
    for block in text.split("\n\n"):
        fuzzy = any(l.startswith("#,") and "fuzzy" in l for l in block.splitlines())
        fields = {}
        key = None
        for line in block.splitlines():
            m = re.match(r'^(msgid|msgstr|msgctxt) "(.*)"$', line)
            if m:
                key = m.group(1)
                fields[key] = m.group(2)
            elif line.startswith('"') and key:
                fields[key] += line[1:-1]
        if fields.get("msgid"):
            decode = lambda s: bytes(s, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")
            entries[decode(fields["msgid"])] = (decode(fields.get("msgstr", "")), fuzzy)
    return entries


def template():
    sources = [l.strip() for l in (po_dir / "POTFILES").read_text().splitlines() if l.strip() and not l.startswith("#")]
    with tempfile.TemporaryDirectory() as tmp:
        pot = Path(tmp) / "messages.pot"
        code = [s for s in sources if s.endswith((".cc", ".hh"))]
        data = [s for s in sources if not s.endswith((".cc", ".hh"))]
        subprocess.run(["xgettext", "--from-code=UTF-8", "--keyword=tr", "--keyword=tr_format", "--keyword=N_",
                        "--add-comments=Translators:", "-C", "-o", str(pot), *code], check=True, cwd=root)
        for item in data:
            part = Path(tmp) / "part.pot"
            subprocess.run(["xgettext", "--from-code=UTF-8", "-o", str(part), item], check=True, cwd=root)
            subprocess.run(["msgcat", "--use-first", "-o", str(pot), str(pot), str(part)], check=True)
        return parse(pot)


def main():
    messages = template()
    failures = []
    if len(messages) < 20:
        failures.append(f"template holds only {len(messages)} messages")
    languages = [l.strip() for l in (po_dir / "LINGUAS").read_text().split() if l.strip()]
    for lang in languages:
        path = po_dir / f"{lang}.po"
        check = subprocess.run(["msgfmt", "--check", "-o", "/dev/null", str(path)], capture_output=True, text=True)
        if check.returncode != 0:
            failures.append(f"{lang}: msgfmt --check failed: {check.stderr.strip()}")
            continue
        entries = parse(path)
        for msgid in messages:
            if msgid not in entries:
                failures.append(f"{lang}: missing {msgid!r}")
                continue
            msgstr, fuzzy = entries[msgid]
            if fuzzy or not msgstr:
                failures.append(f"{lang}: {'fuzzy' if fuzzy else 'untranslated'} {msgid!r}")
            elif sorted(placeholder.findall(msgid)) != sorted(placeholder.findall(msgstr)):
                failures.append(f"{lang}: placeholders differ in {msgid!r}: {msgstr!r}")
    for f in failures:
        print(f)
    print(f"{len(languages)} catalogues, {len(messages)} messages")
    return 1 if failures else 0


sys.exit(main())
