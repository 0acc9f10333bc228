#!/usr/bin/env python3
"""Checks the translations under translations/.

Usage: check_translations.py LUPDATE SOURCE_DIR WORK_DIR

Every language's file (one with a target language) is complete: each message translated,
every plural form filled, no message left over from texts the program no longer has, the
placeholders and the menu accelerator of its source kept. The template (no language) is
only checked for being current. And every file is what lupdate makes of the sources today:
a text added to the program without running lupdate fails here.
"""
import filecmp
import glob
import os
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET


def placeholders(text):
    return sorted(set(re.findall(r"%(?:n|L?\d)", text)))


def accelerators(text):
    # "&&" is a literal ampersand, not an accelerator.
    return len(re.findall(r"&(?!&)\S", text.replace("&&", "")))


def check_language(path, problems):
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            source = message.findtext("source")
            where = f"{os.path.basename(path)}: {name}: {source!r}"
            translation = message.find("translation")
            kind = translation.get("type")
            if kind in ("unfinished", "vanished", "obsolete"):
                problems.append(f"{where}: {kind}")
                continue
            forms = [f.text or "" for f in translation.iter("numerusform")]
            if message.get("numerus") == "yes":
                if not forms or any(not f.strip() for f in forms):
                    problems.append(f"{where}: a plural form is empty")
            else:
                forms = [translation.text or ""]
                if not forms[0].strip():
                    problems.append(f"{where}: empty")
            for form in forms:
                if placeholders(form) != placeholders(source):
                    problems.append(f"{where}: placeholders {placeholders(form)} in {form!r}")
                if accelerators(form) != accelerators(source):
                    problems.append(f"{where}: accelerator lost or added in {form!r}")


def main():
    lupdate, source_dir, work_dir = sys.argv[1:4]
    files = sorted(glob.glob(os.path.join(source_dir, "translations", "*.ts")))
    if not files:
        print("no .ts files found")
        return 1
    problems = []
    for path in files:
        if ET.parse(path).getroot().get("language"):
            check_language(path, problems)
    # lupdate over a copy, as the README runs it: the copy must come back unchanged.
    shutil.rmtree(work_dir, ignore_errors=True)
    os.makedirs(work_dir)
    copies = [shutil.copy(path, work_dir) for path in files]
    result = subprocess.run([lupdate, os.path.join(source_dir, "src"), "-ts", *copies,
                             "-no-obsolete", "-locations", "none"],
                            capture_output=True, text=True)
    if result.returncode != 0:
        problems.append(f"lupdate failed: {result.stderr}")
    for path, copy in zip(files, copies):
        if not filecmp.cmp(path, copy, shallow=False):
            problems.append(f"{os.path.basename(path)}: not current; run lupdate as the README says")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
