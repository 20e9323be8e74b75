#include "platform/richtext/rtfwriter.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <array>

namespace platform {
namespace {

// The character properties written for a run, with everything the document
// leaves to its default font made explicit.
struct RunFormat {
    QString family;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QColor foreground;  // invalid: automatic
    QColor background;  // invalid: none
    bool operator==(const RunFormat &) const = default;
};

// The Windows-1252 byte of each character below U+2200 that has one (0 when
// none): every character of that code page lies below U+2200.
constexpr char16_t kWindows1252Limit = 0x2200;
const std::array<unsigned char, kWindows1252Limit> &windows1252Bytes()
{
    static const std::array<unsigned char, kWindows1252Limit> bytes = [] {
        std::array<unsigned char, kWindows1252Limit> table{};
        QStringDecoder decoder("windows-1252");
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QString decoded = decoder.decode(QByteArray(1, char(byte)));
            if (decoded.size() == 1 && decoded[0].unicode() < kWindows1252Limit)
                table[decoded[0].unicode()] = static_cast<unsigned char>(byte);
        }
        return table;
    }();
    return bytes;
}

class RtfWriter {
public:
    explicit RtfWriter(const QTextDocument &document) : m_document(document)
    {
        const QFont font = document.defaultFont();
        m_defaultFamily = font.family();
        m_defaultHalfPoints = font.pointSizeF() > 0 ? qRound(font.pointSizeF() * 2) : 24;
    }

    QByteArray write()
    {
        collectTables();
        QByteArray body;
        body.reserve(m_document.characterCount() + 256);
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next())
            writeBlock(block, &body);

        QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
        for (qsizetype i = 0; i < m_fonts.size(); ++i) {
            rtf += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            appendText(m_fonts[i], &rtf);
            rtf += ";}";
        }
        rtf += "}\n{\\colortbl;";
        for (qsizetype i = 1; i < m_colours.size(); ++i) {
            const QColor &c = m_colours[i];
            rtf += "\\red" + QByteArray::number(c.red()) + "\\green" + QByteArray::number(c.green()) +
                   "\\blue" + QByteArray::number(c.blue()) + ';';
        }
        rtf += "}\n";
        rtf += body;
        rtf += "}\n";
        return rtf;
    }

private:
    // The run format of a format of the document, worked out once per format.
    const RunFormat &runFormatOf(int formatIndex, const QTextCharFormat &format)
    {
        auto found = m_runFormats.constFind(formatIndex);
        if (found == m_runFormats.constEnd())
            found = m_runFormats.insert(formatIndex, runFormat(format));
        return found.value();
    }

    RunFormat runFormat(const QTextCharFormat &format) const
    {
        RunFormat run;
        const QStringList families = format.fontFamilies().toStringList();
        run.family = families.isEmpty() || families.first().isEmpty() ? m_defaultFamily : families.first();
        run.halfPoints = format.fontPointSize() > 0 ? qRound(format.fontPointSize() * 2) : m_defaultHalfPoints;
        run.bold = format.fontWeight() > QFont::Medium;
        run.italic = format.fontItalic();
        run.underline = format.fontUnderline();
        if (format.foreground().style() != Qt::NoBrush)
            run.foreground = format.foreground().color();
        if (format.background().style() != Qt::NoBrush)
            run.background = format.background().color();
        return run;
    }

    void noteFormat(const RunFormat &run)
    {
        if (!m_fonts.contains(run.family))
            m_fonts.append(run.family);
        for (const QColor &colour : {run.foreground, run.background}) {
            if (colour.isValid() && !m_colours.contains(colour.rgb()))
                m_colours.append(colour.rgb());
        }
    }

    // Font 0 is the document's default font; colour 0 is "automatic".
    void collectTables()
    {
        m_fonts = {m_defaultFamily};
        m_colours = {QColor()};
        for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
            noteFormat(runFormatOf(block.charFormatIndex(), block.charFormat()));
            for (auto it = block.begin(); !it.atEnd(); ++it)
                noteFormat(runFormatOf(it.fragment().charFormatIndex(), it.fragment().charFormat()));
        }
    }

    int colourIndex(const QColor &colour) const
    {
        return colour.isValid() ? int(m_colours.indexOf(colour.rgb())) : 0;
    }

    static void appendWord(const char *word, int number, QByteArray *out)
    {
        char digits[16];
        int n = 0;
        unsigned value = number < 0 ? 0u - unsigned(number) : unsigned(number);
        do {
            digits[n++] = char('0' + value % 10);
            value /= 10;
        } while (value > 0);
        out->append(word);
        if (number < 0)
            out->append('-');
        while (n > 0)
            out->append(digits[--n]);
    }

    void writeRunFormat(const RunFormat &run, QByteArray *out)
    {
        if (m_lastRunValid && run == m_lastRun)
            return;
        appendWord("\\plain\\f", int(m_fonts.indexOf(run.family)), out);
        appendWord("\\fs", run.halfPoints, out);
        if (run.bold)
            out->append("\\b");
        if (run.italic)
            out->append("\\i");
        if (run.underline)
            out->append("\\ul");
        appendWord("\\cf", colourIndex(run.foreground), out);
        appendWord("\\highlight", colourIndex(run.background), out);
        out->append(' ');
        m_lastRun = run;
        m_lastRunValid = true;
    }

    void writeBlock(const QTextBlock &block, QByteArray *out)
    {
        *out += "\\pard";
        const Qt::Alignment alignment = block.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
        if (alignment & Qt::AlignHCenter)
            *out += "\\qc";
        else if (alignment & Qt::AlignJustify)
            *out += "\\qj";
        else if (alignment & Qt::AlignRight)
            *out += "\\qr";
        else
            *out += "\\ql";
        *out += ' ';
        if (block.length() <= 1) {
            // An empty paragraph keeps the size and font it was given.
            writeRunFormat(runFormatOf(block.charFormatIndex(), block.charFormat()), out);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            writeRunFormat(runFormatOf(fragment.charFormatIndex(), fragment.charFormat()), out);
            appendText(fragment.text(), out);
        }
        *out += "\\par\n";
    }

    static void appendText(QStringView text, QByteArray *out)
    {
        static const char hex[] = "0123456789abcdef";
        const std::array<unsigned char, kWindows1252Limit> &ansi = windows1252Bytes();
        // The longest a character can become: \u-32768? is nine bytes.
        const qsizetype start = out->size();
        out->resize(start + text.size() * 9);
        char *p = out->data() + start;
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u >= 0x20 && u < 0x80) {
                if (u == '\\' || u == '{' || u == '}')
                    *p++ = '\\';
                *p++ = char(u);
            } else if (u == '\t') {
                p = std::copy_n("\\tab ", 5, p);
            } else if (u == QChar::LineSeparator) {
                p = std::copy_n("\\line ", 6, p);
            } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
                // Control characters and embedded objects carry no text.
            } else if (u < kWindows1252Limit && ansi[u]) {
                const unsigned char b = ansi[u];
                *p++ = '\\';
                *p++ = '\'';
                *p++ = hex[b >> 4];
                *p++ = hex[b & 15];
            } else {
                // \uN takes a signed 16-bit number; "?" stands in for it.
                *p++ = '\\';
                *p++ = 'u';
                int value = qint16(u);
                if (value < 0) {
                    *p++ = '-';
                    value = -value;
                }
                char digits[6];
                int n = 0;
                do {
                    digits[n++] = char('0' + value % 10);
                    value /= 10;
                } while (value > 0);
                while (n > 0)
                    *p++ = digits[--n];
                *p++ = '?';
            }
        }
        out->resize(p - out->constData());
    }

    const QTextDocument &m_document;
    QString m_defaultFamily;
    int m_defaultHalfPoints = 24;
    QStringList m_fonts;
    QList<QColor> m_colours;
    QHash<int, RunFormat> m_runFormats;
    RunFormat m_lastRun;
    bool m_lastRunValid = false;
};

}  // namespace

QByteArray writeRtf(const QTextDocument &document)
{
    return RtfWriter(document).write();
}

}  // namespace platform
