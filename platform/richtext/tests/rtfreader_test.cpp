// The reader on RTF as other programs write it, and on damaged and hostile input.
#include "documentdescription.h"
#include "platform/richtext/rtfreader.h"

#include <QRandomGenerator>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace richtext_testing;

namespace {

QStringList read(const QByteArray &rtf, QTextDocument *document = nullptr)
{
    QTextDocument own;
    QTextDocument *target = document ? document : &own;
    EXPECT_TRUE(platform::readRtf(rtf, target));
    return paragraphs(*target);
}

}  // namespace

TEST(RtfReader, TellsRtfFromOtherBytes)
{
    EXPECT_TRUE(platform::isRtf("{\\rtf1 x}"));
    EXPECT_TRUE(platform::isRtf(" \r\n\t{\\rtf1 x}"));
    EXPECT_FALSE(platform::isRtf("plain text"));
    EXPECT_FALSE(platform::isRtf("{\\rt"));
    EXPECT_FALSE(platform::isRtf(""));

    // Bytes that are not RTF leave the document as it was.
    QTextDocument document;
    document.setPlainText(QStringLiteral("kept"));
    EXPECT_FALSE(platform::readRtf("just words", &document));
    EXPECT_EQ(document.toPlainText(), QStringLiteral("kept"));
}

TEST(RtfReader, ParagraphsLineBreaksAndTabs)
{
    EXPECT_EQ(read("{\\rtf1 one\\par two\\line three\\tab four\\par}"),
              QStringList({"one", "two|three\tfour"}));
    // Text after the last \par is a paragraph of its own; no \par at all is one.
    EXPECT_EQ(read("{\\rtf1 one\\par two}"), QStringList({"one", "two"}));
    EXPECT_EQ(read("{\\rtf1 alone}"), QStringList({"alone"}));
    // Empty paragraphs are kept; line ends in the file are not text.
    EXPECT_EQ(read("{\\rtf1 a\\par\\par\r\nb\\par}"), QStringList({"a", "", "b"}));
    // A backslash before a line end is a paragraph end too.
    EXPECT_EQ(read("{\\rtf1 a\\\nb}"), QStringList({"a", "b"}));
    EXPECT_EQ(read("{\\rtf1 x\\{y\\}z\\\\}"), QStringList({"x{y}z\\"}));
    // Symbols written as words.
    EXPECT_EQ(read("{\\rtf1 \\ldblquote a\\rdblquote \\emdash\\endash\\bullet\\~\\_\\-}"),
              QStringList({QString::fromUtf8("“a”—–•\u00a0\u2011")}));
}

TEST(RtfReader, AlignmentAndCharacterFormatting)
{
    QTextDocument document;
    read("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}"
         "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
         "\\pard\\qc centred\\par"
         "\\pard\\qr {\\b bold}{\\i italic}{\\ul underlined}\\ulnone  {\\f1\\fs36 times}\\par"
         "\\pard\\qj {\\cf1\\highlight2 coloured}\\par"
         "\\pard left {\\b on\\b0 off}\\par}",
         &document);
    EXPECT_EQ(alignmentOf(document, "centred"), "centre");
    EXPECT_EQ(alignmentOf(document, "bold"), "right");
    EXPECT_EQ(alignmentOf(document, "coloured"), "justified");
    EXPECT_EQ(alignmentOf(document, "left"), "left");  // \pard resets the alignment
    EXPECT_EQ(formatText(document, "centred"), "Arial 12");
    EXPECT_EQ(formatText(document, "bold"), "Arial 12 bold");
    EXPECT_EQ(formatText(document, "italic"), "Arial 12 italic");
    EXPECT_EQ(formatText(document, "underlined"), "Arial 12 underline");
    EXPECT_EQ(formatText(document, "times"), "Times New Roman 18");
    EXPECT_EQ(formatText(document, "coloured"), "Arial 12 colour #ff0000 highlight #0000ff");
    EXPECT_EQ(formatText(document, "on"), "Arial 12 bold");
    EXPECT_EQ(formatText(document, "off"), "Arial 12");
}

TEST(RtfReader, GroupsScopeFormattingAndPlainResetsIt)
{
    QTextDocument document;
    read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier;}}"
         "\\b\\i {\\b0 inner} outer \\plain plain {\\f1\\ul\\fs20 grouped\\par} after}",
         &document);
    EXPECT_EQ(formatText(document, "inner"), "Arial 12 italic");
    EXPECT_EQ(formatText(document, "outer"), "Arial 12 bold italic");
    EXPECT_EQ(formatText(document, "plain"), "Arial 12");
    EXPECT_EQ(formatText(document, "grouped"), "Courier 10 underline");
    EXPECT_EQ(formatText(document, "after"), "Arial 12");
    // The \par inside the group still ends the paragraph.
    EXPECT_EQ(paragraphs(document), QStringList({"inner outer plain grouped", " after"}));
}

TEST(RtfReader, CodePagesAndUnicode)
{
    // \'xx in Windows-1252 unless the document or the font says otherwise.
    EXPECT_EQ(read("{\\rtf1\\ansi caf\\'e9 \\'80 \\'93q\\'94}"), QStringList({QString::fromUtf8("café € “q”")}));
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}"), QStringList({QString::fromUtf8("При")}));
    EXPECT_EQ(read("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Arial Greek;}}\\f1 \\'d9\\f0 \\'d9}"),
              QStringList({QString::fromUtf8("ΩÙ")}));
    // Two-byte characters of the East Asian code pages decode as one.
    EXPECT_EQ(read("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0}"), QStringList({QString::fromUtf8("あ")}));
    // Raw 8-bit bytes are bytes of the code page too.
    EXPECT_EQ(read("{\\rtf1\\ansi caf\xe9}"), QStringList({QString::fromUtf8("café")}));

    // \uN skips its stand-in characters: one by default, \ucN of them after \ucN.
    EXPECT_EQ(read("{\\rtf1 \\u8364?x \\u233\\'e9y}"), QStringList({QString::fromUtf8("€x éy")}));
    EXPECT_EQ(read("{\\rtf1\\uc2 \\u28207\\'8d\\'60z\\uc0 \\u1044 w}"), QStringList({QString::fromUtf8("港zДw")}));
    // Negative values are the upper half; surrogate pairs join into one character.
    EXPECT_EQ(read("{\\rtf1 \\u-3?\\u-10180?\\u-8448?}"), QStringList({QString::fromUtf8("\ufffd🌀")}));
    // A group ends the stand-ins early.
    EXPECT_EQ(read("{\\rtf1\\uc3 {\\u65 }bc}"), QStringList({"Abc"}));
}

TEST(RtfReader, UnknownGroupsAreNeverShown)
{
    const QByteArray rtf =
        "{\\rtf1\\ansi{\\fonttbl{\\f0{\\*\\panose 020b}Arial{\\*\\falt Helvetica};}}"
        "{\\stylesheet{\\s1 Heading style;}}{\\info{\\title Secret title}{\\author someone}}"
        "{\\*\\generator Some Writer 1.0;}{\\*\\unknowndestination hidden words}"
        "{\\header header words\\par}{\\footerl footer words\\par}"
        "before {\\pict\\pngblip 89504e47 {nested} 0d0a}{\\*\\shppict{\\pict 0102}}"
        "{\\object{\\*\\objdata 0102}{\\result{\\pict 03}}}"
        "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt shown link}}"
        "{\\field{\\*\\fldinst PAGE}{\\*\\fldrslt 7}}"
        "{\\footnote footnote words}{\\*\\bkmkstart mark}"
        " {\\pict\\bin3 {}}} after}";
    QTextDocument document;
    EXPECT_EQ(read(rtf, &document), QStringList({"before shown link7  after"}));
    EXPECT_EQ(formatText(document, "before"), "Arial 12");
}

TEST(RtfReader, TablesAreReadAsParagraphs)
{
    EXPECT_EQ(read("{\\rtf1 before\\par\\trowd\\cellx1000\\cellx2000"
                   "\\pard\\intbl one\\cell\\pard\\intbl two\\cell\\row"
                   "\\trowd\\cellx1000\\pard\\intbl three\\cell\\row\\pard after\\par}"),
               QStringList({"before", "one", "two", "three", "after"}));
}

TEST(RtfReader, DamagedInputGivesWhatCouldBeRead)
{
    // Truncated: the text up to the damage.
    EXPECT_EQ(read("{\\rtf1 first\\par second {\\b bold"), QStringList({"first", "second bold"}));
    EXPECT_EQ(read("{\\rtf1 a\\'4"), QStringList({"a"}));
    EXPECT_EQ(read("{\\rtf1 a\\u"), QStringList({"a"}));
    EXPECT_EQ(read("{\\rtf1 a\\"), QStringList({"a"}));
    // What follows the document's closing brace is not part of it.
    EXPECT_EQ(read("{\\rtf1 in} out"), QStringList({"in"}));
    EXPECT_EQ(read("{\\rtf1 in}} out{"), QStringList({"in"}));
    // Out-of-range values are bounded, not trusted.
    QTextDocument document;
    read("{\\rtf1{\\colortbl;\\red999\\green-5\\blue1;}\\cf1\\highlight99999999999\\fs9999999 \\f-7 x"
         "\\uc99999 \\u70000\\u-99999 y}",
         &document);
    EXPECT_EQ(document.toPlainText(), QStringLiteral("x"));
    EXPECT_EQ(formatText(document, "x"), document.defaultFont().family() + " 1638 colour #ff0001");
}

TEST(RtfReader, HostileInputNeverCrashesOrHangs)
{
    // Groups nested far deeper than any document.
    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(300000, '{') + "deep" + QByteArray(300000, '}') + " tail}";
    EXPECT_EQ(read(deep), QStringList({"deep tail"}));
    // A binary length past the end of the data.
    EXPECT_EQ(read("{\\rtf1 a\\bin999999999 xyz}"), QStringList({"a"}));
    EXPECT_EQ(read("{\\rtf1 a\\bin-5 b}"), QStringList({"ab"}));
    // A control word of endless letters, a parameter of endless digits.
    EXPECT_EQ(read("{\\rtf1 \\" + QByteArray(10000, 'q') + " x\\fs" + QByteArray(10000, '9') + " y}"),
              QStringList({"xy"}));

    // Random token soup: whatever comes, the reader ends and the document is whole.
    const QList<QByteArray> tokens = {
        "{", "}", "\\par ", "\\b ", "\\b0 ", "\\'e9", "\\'", "\\u-10179?", "\\u8364 ", "\\uc0 ",
        "\\uc5 ", "\\*", "\\pict ", "\\fonttbl ", "\\colortbl ", "\\red300 ", ";", "\\f3 ",
        "\\fs0 ", "\\bin3 ", "\\cell ", "\\row ", "\\line ", "\\fldrslt ", "text ", "\xff\xfe",
        "\\", "\\ansicpg932 ", "\\'82", "\r\n", "\\qc ", "\\pard ", "\\plain ", "\\cf2 ",
    };
    const int rounds = qEnvironmentVariableIntValue("RTF_FUZZ_ROUNDS") > 0
                           ? qEnvironmentVariableIntValue("RTF_FUZZ_ROUNDS") : 2000;
    QRandomGenerator random(77);
    for (int round = 0; round < rounds; ++round) {
        QByteArray rtf = "{\\rtf1 ";
        for (int n = random.bounded(1, 120); n > 0; --n)
            rtf += tokens[random.bounded(tokens.size())];
        QTextDocument document;
        ASSERT_TRUE(platform::readRtf(rtf, &document)) << rtf.constData();
        const QString text = document.toPlainText();
        ASSERT_FALSE(text.contains(QChar(0)));
    }
}
