#!/usr/bin/env python3
"""Turns the Qt Linguist translation into a C++ table for the Windows window, which has no Qt.

Usage: ts_table.py <pivora_en.ts> <output.cpp> [source files...]

Every text the given sources pass to Tr("...") must have an English translation in the .ts:
a text without one stops the build, so that no English window shows Chinese.
"""
import re
import sys
import xml.etree.ElementTree as ElementTree


def literal(text):
    # Plain ASCII stays readable; everything else as UTF-8 bytes, cut off from what follows.
    out = []
    for byte in text.encode("utf-8"):
        char = chr(byte)
        if char in '"\\':
            out.append("\\" + char)
        elif 32 <= byte < 127:
            if out and out[-1].startswith("\\x") and char in "0123456789abcdefABCDEF":
                out.append('""')
            out.append(char)
        elif char == "\n":
            out.append("\\n")
        elif char == "\r":
            out.append("\\r")
        else:
            out.append("\\x%02x" % byte)
    return '"' + "".join(out) + '"'


def unescape(text):
    return bytes(text, "utf-8").decode("unicode_escape").encode("latin-1").decode("utf-8")


def text_of(element):
    # Qt writes control characters as <byte value="xd"/> elements inside the text.
    if element is None:
        return ""
    parts = [element.text or ""]
    for child in element:
        if child.tag == "byte":
            value = child.get("value", "")
            parts.append(chr(int(value[1:], 16) if value.startswith("x") else int(value)))
        parts.append(child.tail or "")
    return "".join(parts)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    ts_path, output_path, sources = argv[1], argv[2], argv[3:]
    # (context, source, comment) -> (translation, plural): a text that names a number has the
    # English singular and plural forms; a comment tells apart texts of one source.
    entries = {}
    for context in ElementTree.parse(ts_path).getroot().iter("context"):
        name = context.findtext("name") or ""
        for message in context.iter("message"):
            source = text_of(message.find("source"))
            comment = text_of(message.find("comment"))
            translation = message.find("translation")
            if translation is None or translation.get("type") in ("unfinished", "obsolete"):
                continue
            forms = [text_of(form) for form in translation.iter("numerusform")]
            if forms:
                entries[(name, source, comment)] = (forms[0], forms[-1])
            elif text_of(translation):
                text = text_of(translation)
                entries[(name, source, comment)] = (text, text)

    known = {source for (_, source, _) in entries}
    missing = []
    for path in sources:
        with open(path, encoding="utf-8") as file:
            code = file.read()
        # Tr(, TrW( or Text( with one literal or several adjacent ones, and the texts marked
        # for the translation with PIVORA_TRANSLATE_NOOP("context", ...).
        literals = r'((?:\s*"(?:[^"\\]|\\.)*")+)'
        calls = r'\b(?:TrW?|Text)\(' + literals + '|' + \
            r'\bPIVORA_TRANSLATE_NOOP\(\s*"[^"]*"\s*,' + literals
        for match in re.finditer(calls, code):
            parts = re.findall(r'"((?:[^"\\]|\\.)*)"', match.group(1) or match.group(2))
            text = "".join(unescape(part) for part in parts)
            if text not in known:
                missing.append("%s: %s" % (path, text))
    if missing:
        sys.stderr.write("texts without an English translation in %s:\n  %s\n"
                         % (ts_path, "\n  ".join(missing)))
        return 1

    lines = [
        "// Made by ts_table.py from the English translation; do not edit.",
        '#include "win32ui/TranslationTable.h"',
        "",
        "namespace pivora::win32ui {",
        "",
        "const TranslationEntry kEnglishTexts[] = {",
    ]
    for key in sorted(entries, key=lambda key: (key[1].encode(), key[0].encode(),
                                                key[2].encode())):
        context, source, comment = key
        singular, plural = entries[key]
        lines.append("    {%s, %s, %s, %s, %s}," % (literal(context), literal(source),
                                                   literal(comment), literal(singular),
                                                   literal(plural)))
    lines += [
        "};",
        "const std::size_t kEnglishTextCount = sizeof(kEnglishTexts) / sizeof(kEnglishTexts[0]);",
        "",
        "} // namespace pivora::win32ui",
        "",
    ]
    with open(output_path, "w", encoding="utf-8", newline="\n") as file:
        file.write("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
