// Skin markup to text, style runs and links; image attributes to their parts.
#include "toolkit/ImageAttribute.h"
#include "toolkit/Markup.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// "text|b,c=ff0000,a0" per run, joined by " / ".
std::string Runs(const cwui::MarkupText& m) {
  std::string out;
  for (const auto& run : m.runs) {
    const cwui::TextStyle& s = run.style;
    std::string flags;
    const auto add = [&flags](const std::string& f) { flags += (flags.empty() ? "" : ",") + f; };
    if (s.bold) add("b");
    if (s.italic) add("i");
    if (s.underline) add("u");
    if (s.selected) add("s");
    if (s.colour) {
      char hex[16];
      std::snprintf(hex, sizeof(hex), "c=%06x", static_cast<unsigned>(*s.colour));
      add(hex);
    }
    if (s.font >= 0) add("f" + std::to_string(s.font));
    if (!s.face.empty()) add("f=" + s.face + ":" + std::to_string(s.size));
    if (s.link >= 0) add("a" + std::to_string(s.link));
    out += (out.empty() ? "" : " / ") + m.text.substr(run.start, run.end - run.start) + (flags.empty() ? "" : "|" + flags);
  }
  return out;
}

TEST(Markup, TagsBecomeRunsOfOneStyle) {
  const struct {
    const char* in;
    const char* runs;
  } cases[] = {
      {"plain", "plain"},
      {"a{b}b{i}c{/i}d{/b}e", "a / b|b / c|b,i / d|b / e"},
      {"<b>x</b>{c #FF0000}red{c 00ff00}green{/c}red{/c}", "x|b / red|c=ff0000 / green|c=00ff00 / red|c=ff0000"},
      {"{f 3}big{/f}{f Meiryo UI 15 bold}jp{/f}", "big|f3 / jp|b,f=Meiryo UI:15"},
      // Closing an outer tag ends the ones opened inside it.
      {"{b}{u}x{/b}y", "x|b,u / y"},
      // A close without its open, unknown tags and a lone brace stay text.
      {"{/b}{q}{bold}{", "{/b}{q}{bold}{"},
      {"{c nocolour}x", "{c nocolour}x"},
      {"{r}{b}raw{/r}{b}b", "{b}raw / b|b"},
      {"{<}b{>} <{>x<}>", "<b> {x}"},
      {"{s}sel{/s}", "sel|s"},
  };
  for (const auto& c : cases) EXPECT_EQ(Runs(cwui::ParseMarkup(c.in)), c.runs) << c.in;
}

TEST(Markup, LinksBreaksAndObjects) {
  const cwui::MarkupText m = cwui::ParseMarkup("Read {a https://x.test/l}the licence{/a}{n}and {a}this{/a}{p 6}{x 12}{i skin\\i.png}");
  EXPECT_EQ(m.text, "Read the licence\nand this\n\xEF\xBF\xBC\xEF\xBF\xBC");
  ASSERT_EQ(m.links.size(), 2u);
  EXPECT_EQ(m.links[0].target, "https://x.test/l");
  EXPECT_EQ(m.text.substr(m.links[0].start, m.links[0].end - m.links[0].start), "the licence");
  EXPECT_EQ(m.links[1].target, "");
  EXPECT_EQ(m.text.substr(m.links[1].start, m.links[1].end - m.links[1].start), "this");
  ASSERT_EQ(m.paragraphs.size(), 1u);
  EXPECT_EQ(m.paragraphs[0].extra, 6);
  ASSERT_EQ(m.objects.size(), 2u);
  EXPECT_EQ(m.objects[0].gap, 12);
  EXPECT_EQ(m.objects[1].picture, "skin\\i.png");
  // Single-line controls ignore the breaks.
  EXPECT_EQ(cwui::ParseMarkup("a{n}b{p 3}c", false).text, "abc");
}

TEST(ImageAttribute, BareNamesAndPairs) {
  EXPECT_EQ(cwui::ParseImageAttribute("skin\\btn.png").file, "skin\\btn.png");
  const cwui::ImageSpec s = cwui::ParseImageAttribute(
      "file='skin\\btn.png' source='0,0,100,40' dest='2,2,98,38' corner='4,4,4,4' hole='true' xtiled='true' "
      "fade='300' mask='#FFFF00FF' unknown='x'");
  EXPECT_EQ(s.file, "skin\\btn.png");
  EXPECT_EQ(s.source, (cwui::Rect{0, 0, 100, 40}));
  EXPECT_EQ(s.dest, (cwui::Rect{2, 2, 98, 38}));
  EXPECT_EQ(s.corner, (cwui::Rect{4, 4, 4, 4}));
  EXPECT_TRUE(s.hole);
  EXPECT_TRUE(s.xTiled);
  EXPECT_FALSE(s.yTiled);
  EXPECT_EQ(s.fade, 255);  // clamped
  EXPECT_EQ(s.mask, 0xFF00FFu);
  // Negative corners are none; an unterminated value ends the list.
  const cwui::ImageSpec bad = cwui::ParseImageAttribute("file='a.png' corner='-3,2,-1,0' fade='9");
  EXPECT_EQ(bad.corner, (cwui::Rect{0, 2, 0, 0}));
  EXPECT_EQ(bad.fade, 255);
  EXPECT_FALSE(bad.source.has_value());
}

}  // namespace
