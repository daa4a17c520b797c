#!/usr/bin/python3
"""Checks the .deb's copyright file as Debian reads it.

    tools/package/check-copyright.py COPYRIGHT LICENSE

COPYRIGHT must be in Debian's machine-readable format (read strictly by
python3-debian), every licence it names must have its text or a paragraph
of its own, each licence it leaves to /usr/share/common-licenses must be
there, and the licence of Quillfen's own files (Files: *) must be the MIT
licence of LICENSE, word for word, with the holder LICENSE names. Prints
what is wrong and exits with 1.
"""
import os
import re
import sys

from debian import copyright as dep5


def main(copyright_path, licence_path):
    problems = []
    with open(copyright_path, encoding="utf-8") as f:
        try:
            parsed = dep5.Copyright(f, strict=True)
        except Exception as error:  # the library's several parse errors
            print(f"{copyright_path}: not in Debian's copyright format: {error}")
            return 1
    standalone = {p.license.synopsis: p.license.text for p in parsed.all_license_paragraphs()}
    for paragraph in parsed.all_files_paragraphs():
        if not paragraph.copyright:
            problems.append(f"Files: {' '.join(paragraph.files)} has no Copyright")
        # "A or B", "A and B", "A with X exception": each name needs its
        # text, which the paragraph gives of the first at most.
        names = re.split(r"\s+(?:or|and)\s+", paragraph.license.synopsis)
        for name in names[1:] if paragraph.license.text else names:
            if name not in standalone:
                problems.append(f"the licence {name} of Files: {' '.join(paragraph.files)} has no text")
    for name, text in standalone.items():
        for path in re.findall(r"/usr/share/common-licenses/[\w.+-]*[\w+-]", text):
            if not os.path.isfile(path):
                problems.append(f"the licence {name} refers to {path}, which is not there")

    with open(licence_path, encoding="utf-8") as f:
        licence = f.read()
    holder = re.search(r"^Copyright © (.+)$", licence, re.M)
    mit = re.search(r"^Permission is hereby granted.*?^SOFTWARE\.$", licence, re.M | re.S)
    own = parsed.find_files_paragraph("quillfen.cpp")
    if holder is None or mit is None:
        problems.append(f"{licence_path} names no holder or holds no MIT licence")
    elif own is None:
        problems.append("no Files paragraph covers Quillfen's own files")
    else:
        if own.copyright != holder.group(1):
            problems.append(f"Quillfen's own files: Copyright {own.copyright!r}, LICENSE {holder.group(1)!r}")
        text = own.license.text or standalone.get(own.license.synopsis, "")
        if own.license.synopsis != "Expat" or text.strip() != mit.group(0):
            problems.append(f"Quillfen's own files are not under the MIT licence of {licence_path}")
    for problem in problems:
        print(f"{copyright_path}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(main(sys.argv[1], sys.argv[2]))
