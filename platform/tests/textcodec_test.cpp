#include "platform/textcodec.h"

#include <gtest/gtest.h>

using platform::decodeText;
using platform::encodeText;

TEST(TextCodec, ValidUtf8IsReadAsUtf8)
{
    EXPECT_EQ(decodeText(QByteArray("plain ascii")), QStringLiteral("plain ascii"));
    EXPECT_EQ(decodeText(QByteArray("\xC2\xAC" "a\xC2\xAC" "Welcome")), QStringLiteral("¬a¬Welcome"));
    EXPECT_EQ(decodeText(QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80")),
              QString::fromUtf8("café € \xF0\x9F\x98\x80"));
    EXPECT_EQ(decodeText(QByteArray()), QString());
}

TEST(TextCodec, BytesThatAreNotUtf8AreWindows1252)
{
    // The separator as the original platform wrote it.
    EXPECT_EQ(decodeText(QByteArray("\xAC" "a\xAC" "Welcome")), QStringLiteral("¬a¬Welcome"));
    EXPECT_EQ(decodeText(QByteArray("\x80\x85\x93quoted\x94\x99")),
              QStringLiteral("€…“quoted”™"));
    EXPECT_EQ(decodeText(QByteArray("caf\xE9")), QStringLiteral("café"));
    // The code page's five holes keep their byte value.
    EXPECT_EQ(decodeText(QByteArray("\x81\x8D\x8F\x90\x9D")),
              QString(QStringLiteral("\u0081\u008D\u008F\u0090\u009D")));
}

TEST(TextCodec, OneInvalidSequenceMakesTheWholeLineWindows1252)
{
    // UTF-8 "é" beside a lone 0xAC: the bytes are not UTF-8, so each is one character.
    EXPECT_EQ(decodeText(QByteArray("\xC3\xA9\xAC")), QStringLiteral("Ã©¬"));
    // Overlong form, surrogate, truncated sequence, stray continuation byte.
    EXPECT_EQ(decodeText(QByteArray("\xC0\xAF")), QStringLiteral("À¯"));
    EXPECT_EQ(decodeText(QByteArray("\xE0\x80\xAF")), QStringLiteral("à€¯"));
    EXPECT_EQ(decodeText(QByteArray("\xF0\x80\x80\xAF")), QStringLiteral("ð€€¯"));
    EXPECT_EQ(decodeText(QByteArray("\xED\xA0\x80")), QStringLiteral("í\u00A0€"));
    EXPECT_EQ(decodeText(QByteArray("ab\xE2\x82")), QStringLiteral("ab\u00E2\u201A"));
    EXPECT_EQ(decodeText(QByteArray("\xE2\x82x")), QStringLiteral("\u00E2\u201Ax"));
    EXPECT_EQ(decodeText(QByteArray("\xBF" "x")), QStringLiteral("¿x"));
    EXPECT_EQ(decodeText(QByteArray("\xF4\x90\x80\x80")), QStringLiteral("ô\u0090€€"));  // above U+10FFFF
    EXPECT_EQ(decodeText(QByteArray("\xF8\x88\x80\x80\x80")), QStringLiteral("ø\u02C6€€€"));
    // The largest code point and the last before the surrogates are UTF-8.
    EXPECT_EQ(decodeText(QByteArray("\xF4\x8F\xBF\xBF\xED\x9F\xBF")),
              QString::fromUtf8("\xF4\x8F\xBF\xBF\xED\x9F\xBF"));
    EXPECT_EQ(decodeText(QByteArray("\xF4\x8F\xBF\xBF\xED\x9F\xBF")).size(), 3);
}

TEST(TextCodec, EncodesUtf8AndReadsItBack)
{
    const QString text = QStringLiteral("¬b¬ line\rsecond ™ €");
    const QByteArray bytes = encodeText(text);
    EXPECT_EQ(bytes, QByteArray("\xC2\xAC" "b\xC2\xAC line\rsecond \xE2\x84\xA2 \xE2\x82\xAC"));
    EXPECT_EQ(decodeText(bytes), text);

    // A text that begins with U+FEFF keeps it both ways.
    const QString marked = QChar(0xFEFF) + QStringLiteral("x");
    EXPECT_EQ(encodeText(marked), QByteArray("\xEF\xBB\xBFx"));
    EXPECT_EQ(decodeText(encodeText(marked)), marked);
}

TEST(TextCodec, EachLineIsDecidedOnItsOwn)
{
    // A UTF-8 file with one line written on the original platform: the UTF-8 lines
    // keep their "¬", the other line is Windows-1252, line ends stay where they were.
    EXPECT_EQ(decodeText(QByteArray("\xC2\xAC" "a\xC2\xAC" "caf\xC3\xA9\r\n"
                                    "caf\xE9 \x93quoted\x94\r\n"
                                    "\xC2\xAC" "b\xC2\xAC \n\xAC" "c\xAC" "old\rlast \xE2\x82\xAC")),
              QStringLiteral("¬a¬café\r\ncafé “quoted”\r\n¬b¬ \n¬c¬old\rlast €"));
    // A sequence cut by a line end is invalid on both sides of it.
    EXPECT_EQ(decodeText(QByteArray("ok \xE2\x82\r\n\xAC" "tail")),
              QStringLiteral("ok \u00E2\u201A\r\n¬tail"));
    EXPECT_EQ(decodeText(QByteArray("\r\n\n")), QStringLiteral("\r\n\n"));
}
