#include "platform/richtext/rtfwriter.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

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

// Non-ASCII characters of Windows-1252, with their byte.
const QHash<char16_t, char> &windows1252Bytes()
{
    static const QHash<char16_t, char> bytes = [] {
        QHash<char16_t, char> map;
        QStringDecoder decoder("windows-1252");
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QString decoded = decoder.decode(QByteArray(1, char(byte)));
            if (decoded.size() == 1 && decoded[0] != QChar::ReplacementCharacter)
                map.insert(decoded[0].unicode(), char(byte));
        }
        return map;
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
            noteFormat(runFormat(block.charFormat()));
            for (auto it = block.begin(); !it.atEnd(); ++it)
                noteFormat(runFormat(it.fragment().charFormat()));
        }
    }

    int colourIndex(const QColor &colour) const
    {
        return colour.isValid() ? int(m_colours.indexOf(colour.rgb())) : 0;
    }

    void writeRunFormat(const RunFormat &run, QByteArray *out)
    {
        if (m_lastRunValid && run == m_lastRun)
            return;
        *out += "\\plain\\f" + QByteArray::number(m_fonts.indexOf(run.family)) + "\\fs" +
                QByteArray::number(run.halfPoints);
        if (run.bold)
            *out += "\\b";
        if (run.italic)
            *out += "\\i";
        if (run.underline)
            *out += "\\ul";
        *out += "\\cf" + QByteArray::number(colourIndex(run.foreground)) + "\\highlight" +
                QByteArray::number(colourIndex(run.background)) + ' ';
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
            writeRunFormat(runFormat(block.charFormat()), out);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            writeRunFormat(runFormat(fragment.charFormat()), out);
            appendText(fragment.text(), out);
        }
        *out += "\\par\n";
    }

    static void appendText(const QString &text, QByteArray *out)
    {
        static const char hex[] = "0123456789abcdef";
        const QHash<char16_t, char> &ansi = windows1252Bytes();
        for (const QChar ch : text) {
            const char16_t u = ch.unicode();
            if (u >= 0x20 && u < 0x80) {
                if (u == '\\' || u == '{' || u == '}')
                    *out += '\\';
                *out += char(u);
            } else if (u == '\t') {
                *out += "\\tab ";
            } else if (u == QChar::LineSeparator) {
                *out += "\\line ";
            } else if (u < 0x20 || u == QChar::ObjectReplacementCharacter) {
                // Control characters and embedded objects carry no text.
            } else if (const auto byte = ansi.constFind(u); byte != ansi.constEnd()) {
                const auto b = static_cast<unsigned char>(*byte);
                *out += "\\'";
                *out += hex[b >> 4];
                *out += hex[b & 15];
            } else {
                *out += "\\u" + QByteArray::number(qint16(u)) + '?';
            }
        }
    }

    const QTextDocument &m_document;
    QString m_defaultFamily;
    int m_defaultHalfPoints = 24;
    QStringList m_fonts;
    QList<QColor> m_colours;
    RunFormat m_lastRun;
    bool m_lastRunValid = false;
};

}  // namespace

QByteArray writeRtf(const QTextDocument &document)
{
    return RtfWriter(document).write();
}

}  // namespace platform
