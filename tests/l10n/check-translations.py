#!/usr/bin/env python3
"""Every Korean text in the sources has a translation in every language.

The core's texts (string literals outside forms/) must be keys of each l10n/core.<language>.txt;
the windows' texts (literals in forms/) must be messages of each translations/varnell_<language>.ts,
and reach the window through a translation function (tr, Translated, translate, QT_TR_NOOP),
since a QStringLiteral of Korean stays Korean in every language. Each translation must be there,
finished, not empty and free of Hangul. A new Korean text added without its translations fails
here, named with its file."""
import pathlib
import re
import sys
import xml.etree.ElementTree as ET

ROOT = pathlib.Path(sys.argv[1])
CORE = ["analysis", "app", "cli", "device", "engine", "platform", "report", "results"]
HANGUL = re.compile("[\uac00-\ud7a3\u1100-\u11ff\u3130-\u318f]")
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
failures = []


def strip_comments(text):
    # Keeps string literals intact: a // inside a literal is not a comment.
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if c == '"':
            j = i + 1
            while j < n and text[j] != '"':
                j += 2 if text[j] == "\\" else 1
            out.append(text[i : j + 1])
            i = j + 1
        elif c == "'" :
            j = i + 1
            while j < n and text[j] != "'":
                j += 2 if text[j] == "\\" else 1
            out.append(text[i : j + 1])
            i = j + 1
        elif text.startswith("//", i):
            i = text.find("\n", i)
            i = n if i < 0 else i
        elif text.startswith("/*", i):
            i = text.find("*/", i)
            i = n if i < 0 else i + 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def korean_literals(path):
    code = strip_comments(path.read_text(encoding="utf-8"))
    # Adjacent literals are one text, as the compiler joins them.
    joined = re.sub(r'"\s*\n\s*"', "", code)
    for match in LITERAL.finditer(joined):
        text = match.group(1).encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
        if HANGUL.search(text):
            yield text


# What may stand right before a window's Korean literal: the opening of a translation call, with
# a context argument for translate().
TRANSLATION_CALL = re.compile(
    r'(\btr|\bTranslated|\btranslate|QT_TR_NOOP|QT_TRANSLATE_NOOP)\s*\(\s*("[^"\n]*"\s*,\s*)?$')


def untranslated_korean_literals(path):
    code = strip_comments(path.read_text(encoding="utf-8"))
    joined = re.sub(r'"\s*\n\s*"', "", code)
    for match in LITERAL.finditer(joined):
        text = match.group(1).encode().decode("unicode_escape").encode("latin-1").decode("utf-8")
        if HANGUL.search(text) and not TRANSLATION_CALL.search(joined[max(0, match.start() - 200) : match.start()]):
            line = joined.count("\n", 0, match.start()) + 1
            yield line, text


def sources(folders):
    for folder in folders:
        for path in sorted((ROOT / folder).rglob("*")):
            if path.suffix in (".cpp", ".h"):
                yield path


def check(text, translated, where):
    if translated is None:
        failures.append(f'{where}: no translation for "{text}"')
    elif not translated.strip():
        failures.append(f'{where}: empty translation for "{text}"')
    elif HANGUL.search(translated):
        failures.append(f'{where}: translation of "{text}" still has Korean: "{translated}"')


def core_catalogue(path):
    language = path.name[len("core.") : -len(".txt")]
    entries, key = {}, None
    for number, line in enumerate(path.read_text(encoding="utf-8").split("\n"), 1):
        if not line or line.startswith("#"):
            continue
        if line.startswith("ko: "):
            key = line[4:]
            entries[key] = None
        elif line.startswith(language + ": ") and key is not None:
            entries[key] = line[len(language) + 2 :]
            key = None
        else:
            failures.append(f"{path.name}:{number}: neither a Korean text nor its translation")
    return entries


def ts_messages(path):
    messages = {}
    for message in ET.parse(path).getroot().iter("message"):
        source = message.findtext("source")
        translation = message.find("translation")
        finished = translation is not None and translation.get("type") not in ("unfinished", "vanished", "obsolete")
        messages[source] = (translation.text or "") if finished else None
    return messages


catalogues = sorted((ROOT / "l10n").glob("core.*.txt"))
if not catalogues:
    failures.append("no catalogue in l10n/")
for catalogue in catalogues:
    entries = core_catalogue(catalogue)
    for key, value in entries.items():
        if key is not None and HANGUL.search(key) is None:
            continue
    for path in sources(CORE):
        for text in korean_literals(path):
            check(text, entries.get(text), f"{catalogue.name} ({path.relative_to(ROOT)})")

translations = sorted((ROOT / "translations").glob("varnell_*.ts"))
translations = [t for t in translations if not t.name.endswith("_ko.ts")]
if not translations:
    failures.append("no translation of the windows in translations/")
for ts in translations:
    messages = ts_messages(ts)
    for path in sources(["forms"]):
        for text in korean_literals(path):
            check(text, messages.get(text), f"{ts.name} ({path.relative_to(ROOT)})")
    for source, translated in messages.items():
        if HANGUL.search(source or ""):
            check(source, translated, ts.name)

for path in sources(["forms"]):
    for line, text in untranslated_korean_literals(path):
        failures.append(f'{path.relative_to(ROOT)}:{line}: "{text}" reaches the window untranslated')

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
