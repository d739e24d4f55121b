"""The operators' guide, run beside it (python3 -m unittest): well-formed, German, its pictures there."""

import unittest
from html.parser import HTMLParser
from pathlib import Path

# A text in German has one of these words.
GERMAN = {"der", "die", "das", "den", "dem", "des", "und", "mit", "ein", "eine", "im", "von"}


class Page(HTMLParser):
    def __init__(self):
        super().__init__()
        self.open, self.stray, self.tags = [], [], {}
        self.feed(Path("Tarvolk_DMX-Anleitung.html").read_text(encoding="utf-8"))

    def handle_starttag(self, tag, attrs):
        self.tags.setdefault(tag, []).append(dict(attrs))
        self.open += [] if tag in {"br", "hr", "img", "meta", "wbr"} else [tag]

    def handle_endtag(self, tag):
        self.stray += [] if self.open and self.open.pop() == tag else [tag]


class GuidePageTest(unittest.TestCase):
    def test_well_formed_german_with_every_picture(self):
        page = Page()
        self.assertEqual((page.open, page.stray), ([], []))
        self.assertEqual(page.tags["html"], [{"lang": "de"}])
        self.assertIn({"charset": "utf-8"}, page.tags["meta"])
        for image in page.tags["img"]:
            self.assertTrue(Path(image["src"]).is_file(), image["src"])
            self.assertTrue(GERMAN & set(image.get("alt", "").lower().split()), image["src"])
