#include "config/xml.h"

#include <gtest/gtest.h>

#include "fakes.h"

namespace lanthe {
namespace {

std::optional<XmlDocument> Parse(TextView text) { return ParseXml(text); }

TEST(XmlReader, RejectsWhatADamagedFileLooksLike) {
  const struct {
    const char16_t* text;
    const char* why;
  } cases[] = {
      {u"junk<Settings/>", "text before the first tag"},
      {u"<1Settings/>", "a tag without a valid name"},
      {u"< Settings/>", "a tag without a valid name"},
      {u"<Settings><Port>1</Prot></Settings>", "an end tag that does not match"},
      {u"<Settings></settings>", "end tags match letter for letter"},
      {u"<Settings/>junk", "text after the root"},
      {u"<Settings/><Other/>", "a second root"},
      {u"<Settings a></Settings>", "an attribute without a value"},
      {u"<Settings a=1></Settings>", "an attribute value without quotes"},
      {u"<Settings><!ELEMENT x></Settings>", "markup declarations inside the root"},
      {u"<Settings/><?xml version=\"1.0\"?>", "a declaration after the root"},
      {u"<?xml version=\"1.0\" junk=\"1\"?><Settings/>", "a malformed declaration"},
      {u"<?xml encoding=\"utf-8\"?><Settings/>", "a declaration without a version"},
  };
  for (const auto& c : cases) {
    XmlError error;
    EXPECT_FALSE(ParseXml(c.text, &error)) << c.why;
    EXPECT_FALSE(error.reason.empty()) << c.why;
  }
}

TEST(XmlReader, AcceptsFilesThatMerelyEndEarly) {
  const struct {
    const char16_t* text;
    bool hasRoot;
  } cases[] = {
      {u"", false},
      {u"   \r\n", false},
      {u"<?xml version=\"1.0\"?>", false},
      {u"<?xml vers", false},
      {u"<?xml", false},
      {u"<!-- unfinished", false},
      {u"<Sett", false},
      {u"<Settings", false},
      {u"<Settings>", true},
      {u"<Settings><Port>33", true},
      {u"<Settings><Port>3389</Po", true},
      {u"<Settings><Port a=\"1", true},
  };
  for (const auto& c : cases) {
    const auto document = Parse(c.text);
    ASSERT_TRUE(document) << TextToUtf8(c.text);
    EXPECT_EQ(document->root.has_value(), c.hasRoot) << TextToUtf8(c.text);
  }
}

TEST(XmlReader, ValueElementWithoutEndTagReadsEmpty) {
  const auto document = Parse(u"<Settings><A>1</A><B>2");
  ASSERT_TRUE(document && document->root);
  ASSERT_EQ(document->root->children.size(), 2u);
  EXPECT_EQ(document->root->children[0].Value(), u"1");
  EXPECT_EQ(document->root->children[1].name, u"B");
  EXPECT_EQ(document->root->children[1].Value(), u"");
}

TEST(XmlReader, KeepsDeclarationAndCommentsBeforeTheRoot) {
  const auto document = Parse(
      u"<?xml version='1.1' encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
      u"<!-- kiosk 12 -->\r\n<?editor x?>\r\n<!DOCTYPE Settings [<!ENTITY a \"]>\">]>\r\n"
      u"<!--second--><Settings><!-- inside --></Settings><!-- after -->");
  ASSERT_TRUE(document);
  ASSERT_TRUE(document->declaration);
  EXPECT_EQ(document->declaration->version, u"1.1");
  EXPECT_EQ(document->declaration->encoding, u"UTF-8");
  EXPECT_EQ(document->declaration->standalone, u"yes");
  EXPECT_EQ(document->comments, (std::vector<Text>{u" kiosk 12 ", u"second"}));
  ASSERT_TRUE(document->root);
  EXPECT_TRUE(document->root->children.empty());
}

TEST(XmlReader, ElementTextAndBlankContent) {
  const auto document = Parse(
      u"<R a=\"x\" b='y'>"
      u"<Spaces>   </Spaces><Lead>  a b </Lead><Empty></Empty><Self/>"
      u"<Cdata><![CDATA[<&amp;>]]></Cdata><Mixed>a<!--c-->b</Mixed>"
      u"<Ref>&#32;</Ref></R>");
  ASSERT_TRUE(document && document->root);
  const auto& c = document->root->children;
  ASSERT_EQ(c.size(), 7u);
  EXPECT_EQ(c[0].Value(), u"");
  EXPECT_EQ(c[1].Value(), u"  a b ");
  EXPECT_EQ(c[2].Value(), u"");
  EXPECT_EQ(c[3].Value(), u"");
  EXPECT_EQ(c[4].Value(), u"<&amp;>");
  EXPECT_EQ(c[5].Value(), u"ab");
  // A blank written as a reference is content, not white space.
  EXPECT_EQ(c[6].Value(), u" ");
}

TEST(XmlReader, RefusesNestingNoFileOfOursHas) {
  Text deep;
  for (int i = 0; i < 300; ++i) deep += u"<a>";
  EXPECT_FALSE(Parse(deep));
  Text fine;
  for (int i = 0; i < 100; ++i) fine += u"<a>";
  EXPECT_TRUE(Parse(fine));
}

TEST(XmlText, UnescapesTheReferencesOfTheSettingsFile) {
  const struct {
    const char16_t* raw;
    const char16_t* text;
  } cases[] = {
      {u"&amp;&lt;&gt;&apos;&quot;", u"&<>'\""},
      {u"&#65;&#x42;&#X43;&#x0041;", u"ABCA"},
      {u"&#x20AC;", u"\u20AC"},
      {u"&#x1F600;", u"\U0001F600"},
      {u"&#0;&#x0;", u"&#0;&#x0;"},
      {u"&#;&#x;&#12a;&#xZZ;", u"&#;&#x;&#12a;&#xZZ;"},
      {u"&#x110000;&#99999999999;", u"&#x110000;&#99999999999;"},
      {u"&AMP; & &unknown; &amp", u"&AMP; & &unknown; &amp"},
      {u"a&amp;amp;b", u"a&amp;b"},
  };
  for (const auto& c : cases) EXPECT_EQ(UnescapeXmlText(c.raw), c.text) << TextToUtf8(c.raw);
}

TEST(XmlText, EscapesMarkupAndCharactersTheCodePageLacks) {
  Windows1252CodePage western;
  testing::AsciiCodePage ascii;
  const struct {
    ICodePage* codePage;
    const char16_t* text;
    const char16_t* escaped;
  } cases[] = {
      {&western, u"a&b<c>d\"e'f", u"a&amp;b&lt;c&gt;d&quot;e&apos;f"},
      {&western, u"caf\u00E9 \u00FC", u"caf\u00E9 \u00FC"},
      // From U+20AC on every character is a reference, the euro sign included.
      {&western, u"\u20AC \u4E2D", u"&#x20AC; &#x4E2D;"},
      // Below U+20AC a character the code page lacks becomes a reference instead of
      // being lost; at least two digits.
      {&western, u"\u0100\u0416", u"&#x100;&#x416;"},
      {&ascii, u"\u00E9\u0001", u"&#xE9;\u0001"},
      {&western, u"line\r\nbreak\ttab", u"line\r\nbreak\ttab"},
      {&western, u"\U0001F600", u"&#xD83D;&#xDE00;"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeXmlText(c.text, *c.codePage), c.escaped) << TextToUtf8(c.text);
}

TEST(XmlText, EveryCharacterSurvivesEscapingAndReading) {
  Windows1252CodePage codePage;
  Text all;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c == u'\r' || c == u'\n' || c == u'\t' || c == u' ') continue;
    all.push_back(static_cast<char16_t>(c));
  }
  XmlDocument document;
  document.root = XmlElement{u"R", {XmlElement{u"V", {}, all, false}}, Text(), true};
  const std::string bytes = SerializeXml(document, u"  ", codePage);
  const auto back = ParseXml(codePage.Decode(bytes));
  ASSERT_TRUE(back && back->root);
  ASSERT_EQ(back->root->children.size(), 1u);
  EXPECT_EQ(back->root->children[0].Value(), all);
}

TEST(XmlWriter, LaysOutLinesIndentAndEmptyElements) {
  Windows1252CodePage codePage;
  XmlDocument document;
  XmlElement section{u"Sec", {XmlElement{u"A", {}, u"1", false}, XmlElement{u"B", {}, u"", true}}, u"", true};
  document.root = XmlElement{u"Settings", {XmlElement{u"Top", {}, u" x ", false}, section}, u"", true};
  EXPECT_EQ(SerializeXml(document, u"  ", codePage),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
            "<Settings>\r\n"
            "  <Top> x </Top>\r\n"
            "  <Sec>\r\n"
            "    <A>1</A>\r\n"
            "    <B/>\r\n"
            "  </Sec>\r\n"
            "</Settings>\r\n");
}

TEST(XmlWriter, WritesBackTheLoadedDeclarationAndComments) {
  Windows1252CodePage codePage;
  const struct {
    const char16_t* file;
    const char* declaration;
  } cases[] = {
      {u"<?xml version=\"1.0\"?><R/>", "<?xml version=\"1.0\"?>\r\n"},
      {u"<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><R/>",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"},
      {u"<?xml version=\"1.0\" standalone=\"no\"?><R/>", "<?xml version=\"1.0\"?>\r\n"},
      {u"<R/>", "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"},
  };
  for (const auto& c : cases) {
    const auto document = ParseXml(c.file);
    ASSERT_TRUE(document);
    EXPECT_EQ(SerializeXml(*document, u"  ", codePage), std::string(c.declaration) + "<R/>\r\n");
  }
  const auto commented = ParseXml(u"<!--one--><!--t\u00E9o\u0416--><R/>");
  ASSERT_TRUE(commented);
  EXPECT_EQ(SerializeXml(*commented, u"  ", codePage),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n<!--one-->\r\n<!--t\xE9o?-->\r\n<R/>\r\n");
}

}  // namespace
}  // namespace lanthe
