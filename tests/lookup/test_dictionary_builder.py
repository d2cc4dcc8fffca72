"""Tests of tools/dictionary-builder on small hand-made ECDICT rows."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "dictionary-builder"))
import build_dictionary as builder  # noqa: E402


def row(word, phonetic="", translation="n. 东西", tag="zk", exchange="", collins="", oxford=""):
    return {"word": word, "phonetic": phonetic, "translation": translation, "tag": tag,
            "exchange": exchange, "collins": collins, "oxford": oxford}


class Phonetic(unittest.TestCase):
    def test_symbols_and_look_alikes(self):
        cases = {
            "hә:": "h2:",
            "ә'bændәn": "2'b9nd2n",
            "ɪˈmɜːdʒənsi": "i'm2:d72nsi",
            "θɪŋk ðæt": "4i8k 59t",
            "ʃʊʒʌɔɒɑ": "6u73001",
            "kεә kɛә kєә": "k/2 k/2 k/2",
            "'bә:^lәri": "'b2:gl2ri",
            "'kɔnv\\\\\\\\:sli": "'k0nv2:sli",
            "ˌdi:kənˈstrʌkt": "di:k2n'str3kt",
            ".æbnɒ:'mæliti": "9bn0:'m9liti",
            "'pæsndʒɚ": "'p9snd72r",
            "'hәjpfjli": "'h2upfuli",
            "'mju:zik": "'mju:zik",
            "\xa0ˈtɒpʌp": "'t0p3p",
        }
        for source, code in cases.items():
            self.assertEqual(builder.convert_phonetic(source), code, source)

    def test_alternatives(self):
        cases = {
            "'ælɒi. ә'lɒi": "'9l0i, 2'l0i",
            "dʌz; dәz": "d3z, d2z",
            "'kɔndʌkt, -dәkt": "'k0nd3kt, -d2kt",
            "'bai,pedəl,bai'pe-": "'baiped2l, bai'pe-",
            ",si^ә'ret,'si-": "sig2'ret, 'si-",
            "ə,mi:nəu 'æsid": "2mi:n2u '9sid",
            "'deikɔ:(r); (?@) dei'kɔ:r": "'deik0:(r), dei'k0:r",
            "ɪˈmɚdʒənsi /ˈsɜːvɪsis/": "i'm2rd72nsi 's2:visis",
            "kelt; kelt": "kelt",
            "": "",
        }
        for source, code in cases.items():
            self.assertEqual(builder.convert_phonetic(source), code, source)


class Meaning(unittest.TestCase):
    def meaning(self, translation, limit=builder.MEANING_LIMIT):
        return builder.format_meaning(builder.meaning_lines(translation), limit)

    def test_one_line(self):
        self.assertEqual(self.meaning("n. 书, 书籍\\nv. 登记; 预订"), "n.书，书籍；v.登记；预订")

    def test_source_tags(self):
        self.assertEqual(self.meaning("n. 罩\\n[网络] 胡德；兜帽"), "n.罩")
        self.assertEqual(self.meaning("[网络] 甲板间；二层舱"), "甲板间；二层舱")
        self.assertEqual(self.meaning("prep. [诗歌用语] = between"), "prep.= between")

    def test_commas_inside_brackets_stay_in_the_gloss(self):
        self.assertEqual(self.meaning("v. 使(马,鹰等)戴头罩, 覆盖"), "v.使(马，鹰等)戴头罩，覆盖")

    def test_cut_at_a_gloss(self):
        text = "n. 一一一, 二二二, 三三三\\nv. 四四四"
        self.assertEqual(self.meaning(text, 12), "n.一一一，二二二")
        self.assertEqual(self.meaning(text, 1000), "n.一一一，二二二，三三三；v.四四四")
        self.assertEqual(self.meaning("n. 一二三四五六七八九十", 6), "n.一二三…")

    def test_gbk(self):
        self.assertEqual(self.meaning("n. 钱$€\u2e80, 硬币"), "n.钱，硬币")


class Build(unittest.TestCase):
    def entries(self, rows):
        main, appended = builder.build_entries(rows)
        return [e.text() for e in main], [e.text() for e in appended]

    def test_selection_and_order(self):
        rows = [
            row("zebra", "'zi:brә", "n. 斑马"),
            row("above all", "", "尤其是", tag="cet4"),
            row("obscure", tag="gre"),
            row("Apple", "'æpl", "n. 苹果", tag="", oxford="1"),
            row("ant", "ænt", "n. 蚂蚁", tag="", collins="2"),
            row("no[te", tag="zk"),
            row("nothing", "", "", tag="zk"),
        ]
        main, appended = self.entries(rows)
        self.assertEqual(main, ["ant[9nt]n.蚂蚁", "Apple['9pl]n.苹果", "zebra['zi:br2]n.斑马",
                                "above all[]尤其是"])
        self.assertEqual(appended, [])

    def test_proper_sense_comes_first(self):
        main, _ = self.entries([row("may", "mei", "n. 五月\\naux. 可以")])
        self.assertEqual(main, ["May[mei]n.五月", "may[mei]aux.可以"])

    def test_irregular_forms(self):
        rows = [
            row("go", "gәu", "vi. 去", exchange="p:went/d:gone/i:going/3:goes"),
            row("went", "went", "go的过去式", tag=""),
            row("child", "tʃaild", "n. 孩子", exchange="s:children"),
            row("leave", "li:v", "vt. 离开", exchange="3:leaves/p:left/d:left"),
            row("leaf", "li:f", "n. 叶子", exchange="s:leaves"),
            row("stop", "stɒp", "v. 停止", exchange="p:stopped/d:stopped/i:stopping"),
            row("hop", "hɒp", "v. 跳", exchange="i:hopping"),
            row("hope", "hәup", "v. 希望", exchange="i:hoping/d:hoped"),
        ]
        _, appended = self.entries(rows)
        self.assertEqual(appended, [
            "children[]child的复数",
            "gone[]go的过去分词",
            "hoping[]hope的现在分词",
            "left[]leave的过去式和过去分词",
            "went[went]go的过去式",
        ])

    def test_file_layout(self):
        data = builder.encode_dictionary([builder.Entry("tea", "ti:", "n.茶")])
        self.assertEqual(data, "$tea[ti:]n.茶$".encode("gbk") + b"\r\n\x00\x00")


if __name__ == "__main__":
    unittest.main()
