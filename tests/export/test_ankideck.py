"""Reads decks written by `orlune-course export` with Python's zipfile and sqlite3 and their
sounds with libsndfile (through soundsamples), and holds them against the lesson itself."""
import array
import html
import json
import math
import os
import sqlite3
import subprocess
import sys
import tempfile
import unittest
import zipfile

COURSE = sys.argv[1]
SOUNDSAMPLES = sys.argv[2]


def run(*args, check=True):
    result = subprocess.run([COURSE, *args], capture_output=True, text=True, timeout=60)
    if check and result.returncode != 0:
        raise AssertionError(f"{args}: {result.returncode} {result.stderr}")
    return result


def samples(path, work):
    out = os.path.join(work, "samples.raw")
    subprocess.run([SOUNDSAMPLES, path, out], check=True)
    with open(out, "rb") as f:
        header = f.readline().split()
        data = array.array("h")
        data.frombytes(f.read())
    rate, channels, frames = (int(x) for x in header)
    return rate, [data[i] for i in range(0, frames * channels, channels)]


def correlation(a, b):
    n = min(len(a), len(b))
    dot = sum(a[i] * b[i] for i in range(0, n, 2))
    na = math.sqrt(sum(a[i] * a[i] for i in range(0, n, 2)))
    nb = math.sqrt(sum(b[i] * b[i] for i in range(0, n, 2)))
    return dot / (na * nb) if na and nb else 0.0


class Deck:
    def __init__(self, path, work):
        self.zip = zipfile.ZipFile(path)
        self.media = json.loads(self.zip.read("media"))
        db_path = os.path.join(work, "collection.anki2")
        with open(db_path, "wb") as f:
            f.write(self.zip.read("collection.anki2"))
        db = sqlite3.connect(db_path)
        self.col = db.execute("select ver, models, decks from col").fetchall()
        self.notes = db.execute(
            "select id, guid, mid, tags, flds, sfld, csum from notes order by id").fetchall()
        self.cards = db.execute("select id, nid, ord, did from cards order by id").fetchall()
        self.tables = {r[0] for r in db.execute("select name from sqlite_master where type='table'")}
        db.close()

    def sound(self, name):
        entry = [k for k, v in self.media.items() if v == name]
        return self.zip.read(entry[0]) if entry else None


class AnkiDeckTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp()
        cls.store = os.path.join(cls.work, "store")
        listed = run("list", "--store", cls.store).stdout.splitlines()[1:]
        recorded = [line.split("\t") for line in listed if line.split("\t")[3] != "-"]
        cls.book, cls.lesson, _, cls.recording = recorded[0]
        cls.voices = os.path.join(os.path.dirname(COURSE), "语音库")
        shown = run("show", cls.book, cls.lesson, "--store", cls.store).stdout.splitlines()[1:]
        cls.rows = [line.split("\t") for line in shown]

    def export(self, name, *extra):
        path = os.path.join(self.work, name)
        result = run("export", "--book", self.book, "--lesson", self.lesson, "--anki", path,
                     "--store", self.store, *extra, check=False)
        return path, result

    def test_lesson_deck(self):
        path, result = self.export("lesson.apkg")
        self.assertEqual(result.returncode, 0, result.stderr)
        deck = Deck(path, self.work)
        self.assertEqual(deck.col[0][0], 11)
        self.assertTrue({"col", "notes", "cards", "revlog", "graves"} <= deck.tables)
        models = json.loads(deck.col[0][1])
        sentence_model = [m for m in models.values() if len(m["tmpls"]) == 2]
        self.assertEqual(len(sentence_model), 1)
        self.assertEqual([f["name"] for f in sentence_model[0]["flds"]][:2], ["English", "Chinese"])
        self.assertEqual(len(deck.notes), len(self.rows))
        # Unpacked by hand, the deck's files must not come out writable by every user.
        for entry in deck.zip.infolist():
            self.assertEqual((entry.external_attr >> 16) & 0o777, 0o644, entry.filename)

        rate, recording = samples(os.path.join(self.voices, self.recording), self.work)
        by_english = {n[4].split("\x1f")[0]: n for n in deck.notes}
        for index, start, end, english, chinese in self.rows:
            with self.subTest(sentence=index):
                note = by_english[html.escape(english, quote=False).replace("\"", "&quot;")]
                english_field, chinese_field, audio = note[4].split("\x1f")
                self.assertEqual(chinese_field, html.escape(chinese, quote=False).replace("\"", "&quot;"))
                self.assertIn(f"Lesson_{self.lesson}", note[3])
                self.assertEqual(sorted(c[2] for c in deck.cards if c[1] == note[0]), [0, 1])
                self.assertTrue(audio.startswith("[sound:") and audio.endswith("]"), audio)
                clip = deck.sound(audio[7:-1])
                self.assertIsNotNone(clip, audio)
                clip_path = os.path.join(self.work, "clip.ogg")
                with open(clip_path, "wb") as f:
                    f.write(clip)
                clip_rate, heard = samples(clip_path, self.work)
                self.assertEqual(clip_rate, rate)
                first = round(float(start) * rate)
                stop = math.floor(float(end) * rate) + 1 if end else len(recording)
                expected_seconds = (stop - first) / rate
                self.assertAlmostEqual(len(heard) / rate, expected_seconds, delta=0.020)
                # Lossy, so alike rather than equal: the span's own samples fit best and well;
                # a clip a few milliseconds early or late fits worse.
                span = recording[first:first + len(heard)]
                here = correlation(heard, span)
                self.assertGreater(here, 0.9)
                for shift in (-220, -44, 44, 220):
                    other = recording[max(0, first + shift):first + shift + len(heard)]
                    self.assertGreater(here, correlation(heard, other), shift)

    def test_export_again_keeps_ids(self):
        first, _ = self.export("first.apkg")
        second, _ = self.export("second.apkg")
        a, b = Deck(first, self.work), Deck(second, self.work)
        self.assertEqual([n[:2] for n in a.notes], [n[:2] for n in b.notes])
        self.assertEqual([c[:3] for c in a.cards], [c[:3] for c in b.cards])
        self.assertEqual(len({n[1] for n in a.notes}), len(a.notes))

    def test_bad_targets_and_missing_recording(self):
        blocker = os.path.join(self.work, "a-file")
        open(blocker, "w").close()
        for target in (os.path.join(blocker, "deck.apkg"), os.path.join(self.work, "none", "x", "d.apkg")):
            with self.subTest(target=target):
                result = run("export", "--book", self.book, "--lesson", self.lesson, "--anki",
                             target, "--store", self.store, check=False)
                self.assertEqual(result.returncode, 1)
                self.assertIn("无法写入", result.stderr)
                self.assertFalse(os.path.exists(target))

        empty_voices = os.path.join(self.work, "no-voices")
        os.makedirs(empty_voices, exist_ok=True)
        path, result = self.export("silent.apkg", "--voice-dir", empty_voices)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(f"其中 {len(self.rows)} 条没有声音", result.stdout)
        self.assertIn("没有录音", result.stdout)
        deck = Deck(path, self.work)
        self.assertEqual(len(deck.notes), len(self.rows))
        self.assertEqual(deck.media, {})
        self.assertEqual({c[2] for c in deck.cards}, {1})
        self.assertTrue(all(n[4].endswith("\x1f") for n in deck.notes))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
