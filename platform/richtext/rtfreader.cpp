#include "platform/richtext/rtfreader.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <array>
#include <climits>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {
namespace {

// States saved for nested groups, at most: a hostile document of a million "{"
// must not take a million saved states. Deeper groups still show their text.
constexpr int kMaxSavedGroups = 2000;
// RTF's own default: \plain gives 12 points, written \fs24 in half points.
constexpr int kDefaultHalfPoints = 24;
constexpr int kDefaultCodePage = 1252;

enum class Destination { Text, Skip, FontTable, ColourTable };

using SingleByteTable = std::array<char16_t, 256>;

// Character properties as the document sets them; fonts and colours by their
// number in the font and colour tables (-1 font: the \deff font; 0 colour: auto).
struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;
    int halfPoints = kDefaultHalfPoints;
    int foreground = 0;
    int background = 0;
    bool operator==(const CharState &) const = default;
};

struct GroupState {
    Destination destination = Destination::Text;
    CharState chars;
    Qt::Alignment alignment = Qt::AlignLeft;
    int fallbackCount = 1;  // \ucN: characters after \uN that stand in for it
};

struct FontEntry {
    QString family;
    int charset = -1;  // \fcharsetN; -1 when the entry has none
};

// The control words the reader acts on. Every other word is read and passed over.
enum class Word {
    Unknown, Skipped, Underline,
    Bin, U, Uc, Fldrslt, Fonttbl, Colortbl, Ansicpg, Mac, Pc, Pca, Deff, F, Fcharset,
    Red, Green, Blue, Par, Cell, Row, Page, Line, Tab, Pard, Ql, Qc, Qr, Qj, Plain, B, I,
    Ulnone, Fs, Cf, Highlight, Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote,
    Emspace, Enspace,
};

Word wordOf(std::string_view word)
{
    static const std::unordered_map<std::string_view, Word> words = [] {
        std::unordered_map<std::string_view, Word> table;
        // Destinations whose content is never shown: document information, style
        // and list definitions, pictures and objects, field instructions,
        // bookmarks, headers, footers, footnotes and comments, and the tables
        // that only some writers know.
        for (std::string_view skipped :
             {"info", "stylesheet", "pict", "object", "objdata", "objclass", "result", "shp", "shpinst",
              "shprslt", "shppict", "nonshppict", "do", "fldinst", "header", "headerl", "headerr", "headerf",
              "footer", "footerl", "footerr", "footerf", "footnote", "ftnsep", "ftnsepc", "ftncn", "aftnsep",
              "aftnsepc", "aftncn", "annotation", "atnid", "atnauthor", "atrfstart", "atrfend", "bkmkstart",
              "bkmkend", "xe", "tc", "txe", "rxe", "themedata", "colorschememapping", "latentstyles",
              "datastore", "listtable", "listoverridetable", "revtbl", "rsidtbl", "generator", "pgdsctbl",
              "filetbl", "template", "docvar", "userprops", "fchars", "lchars", "pn", "xmlnstbl", "mmathPr",
              "wgrffmtfilter", "panose", "falt", "background", "passwordhash", "ud"})
            table.emplace(skipped, Word::Skipped);
        for (std::string_view underline :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
              "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            table.emplace(underline, Word::Underline);
        const std::pair<std::string_view, Word> others[] = {
            {"bin", Word::Bin}, {"u", Word::U}, {"uc", Word::Uc}, {"fldrslt", Word::Fldrslt},
            {"fonttbl", Word::Fonttbl}, {"colortbl", Word::Colortbl}, {"ansicpg", Word::Ansicpg},
            {"mac", Word::Mac}, {"pc", Word::Pc}, {"pca", Word::Pca}, {"deff", Word::Deff}, {"f", Word::F},
            {"fcharset", Word::Fcharset}, {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
            {"par", Word::Par}, {"cell", Word::Cell}, {"nestcell", Word::Cell}, {"row", Word::Row},
            {"nestrow", Word::Row}, {"page", Word::Page}, {"sect", Word::Page}, {"line", Word::Line},
            {"tab", Word::Tab}, {"pard", Word::Pard}, {"ql", Word::Ql}, {"qc", Word::Qc}, {"qr", Word::Qr},
            {"qj", Word::Qj}, {"qd", Word::Qj}, {"plain", Word::Plain}, {"b", Word::B}, {"i", Word::I},
            {"ulnone", Word::Ulnone}, {"fs", Word::Fs}, {"cf", Word::Cf}, {"highlight", Word::Highlight},
            {"cb", Word::Highlight}, {"chcbpat", Word::Highlight}, {"emdash", Word::Emdash},
            {"endash", Word::Endash}, {"bullet", Word::Bullet}, {"lquote", Word::Lquote},
            {"rquote", Word::Rquote}, {"ldblquote", Word::Ldblquote}, {"rdblquote", Word::Rdblquote},
            {"emspace", Word::Emspace}, {"enspace", Word::Enspace},
        };
        for (const auto &[name, word] : others)
            table.emplace(name, word);
        return table;
    }();
    const auto found = words.find(word);
    return found == words.end() ? Word::Unknown : found->second;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Windows code page of a font's \fcharset, 0 when the charset follows \ansicpg.
int codePageOfCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 0;
    }
}

class RtfReader {
public:
    RtfReader(const QByteArray &rtf, QTextDocument *document)
        : m_p(rtf.constData()), m_end(rtf.constData() + rtf.size()), m_cursor(document)
    {
    }

    void read()
    {
        while (m_p < m_end && !m_finished) {
            const char c = *m_p;
            if (c == '{') {
                ++m_p;
                flushBytes();
                openGroup();
            } else if (c == '}') {
                ++m_p;
                flushBytes();
                closeGroup();
            } else if (c == '\\') {
                ++m_p;
                readControl();
            } else {
                readText();
            }
        }
        flushBytes();
        flushRun();
        if (!m_blockBreakPending)
            setBlockFormat();
    }

private:
    // "\*" followed by no control word: the group is skipped all the same.
    void settleOptionalDestination()
    {
        if (!m_optionalDestination)
            return;
        m_optionalDestination = false;
        m_state.destination = Destination::Skip;
    }

    void openGroup()
    {
        settleOptionalDestination();
        m_fallbackToSkip = 0;
        if (m_stack.size() >= kMaxSavedGroups) {
            // Past the limit every group closes back to the state at the limit.
            if (m_deepGroups++ == 0)
                m_stack.push_back(m_state);
            return;
        }
        m_stack.push_back(m_state);
    }

    void closeGroup()
    {
        m_optionalDestination = false;
        m_fallbackToSkip = 0;
        if (m_state.destination == Destination::FontTable)
            finishFontEntry();
        if (m_deepGroups > 0) {
            m_state = m_stack.back();
            if (--m_deepGroups == 0)
                m_stack.pop_back();
            return;
        }
        if (m_stack.empty()) {
            // The document's own group is closed: what follows is not part of it.
            m_finished = true;
            return;
        }
        m_state = m_stack.back();
        m_stack.pop_back();
        if (m_stack.empty())
            m_finished = true;
    }

    bool skipping() const { return m_state.destination == Destination::Skip; }

    // A run of plain characters up to the next brace or backslash.
    void readText()
    {
        settleOptionalDestination();
        const char *start = m_p;
        while (m_p < m_end) {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '{' || c == '}' || c == '\\' || c >= 0x80 || c < 0x20)
                break;
            ++m_p;
        }
        if (m_p > start) {
            flushBytes();
            qsizetype length = m_p - start;
            if (m_fallbackToSkip > 0) {
                const qsizetype dropped = qMin<qsizetype>(m_fallbackToSkip, length);
                m_fallbackToSkip -= int(dropped);
                start += dropped;
                length -= dropped;
            }
            if (length > 0 && !skipping())
                appendLatin1(start, length);
            return;
        }
        const auto c = static_cast<unsigned char>(*m_p++);
        if (c >= 0x80) {
            // An 8-bit byte written without escape: a byte of the code page.
            appendByte(char(c));
        } else if (c == '\t') {
            flushBytes();
            if (!consumeFallback() && !skipping())
                appendChar(QLatin1Char('\t'));
        }
        // Line ends and other control characters are not text in RTF.
    }

    // A character standing in for the last \uN is dropped; true when this one was.
    bool consumeFallback()
    {
        if (m_fallbackToSkip <= 0)
            return false;
        --m_fallbackToSkip;
        return true;
    }

    void readControl()
    {
        if (m_p >= m_end)
            return;
        const char c = *m_p;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            readControlWord();
            return;
        }
        ++m_p;
        if (c != '*')
            settleOptionalDestination();
        if (c == '\'') {
            int value = 0;
            int digits = 0;
            for (int digit; digits < 2 && m_p < m_end && (digit = hexValue(*m_p)) >= 0; ++m_p, ++digits)
                value = value * 16 + digit;
            if (digits == 2 && !consumeFallback())
                appendByte(char(value));
            return;
        }
        flushBytes();
        if (consumeFallback())
            return;
        switch (c) {
        case '\\': case '{': case '}':
            if (!skipping())
                appendChar(QLatin1Char(c));
            break;
        case '~':
            appendSymbol(QChar(0x00A0));
            break;
        case '_':
            appendSymbol(QChar(0x2011));
            break;
        case '*':
            // Marks a destination that a reader which does not know it skips.
            // Some writers mark a field's result so too, which is shown.
            m_optionalDestination = true;
            break;
        case '\r': case '\n':
            controlWord(Word::Par, false, 0);
            break;
        default:
            break;  // \- (optional hyphen), \: and the rest show nothing
        }
    }

    void readControlWord()
    {
        // A word is at most 32 letters; a longer one is read whole and known by none.
        const char *start = m_p;
        while (m_p < m_end && ((*m_p >= 'a' && *m_p <= 'z') || (*m_p >= 'A' && *m_p <= 'Z')))
            ++m_p;
        const Word word = m_p - start > 32 ? Word::Unknown : wordOf(std::string_view(start, m_p - start));
        bool hasParameter = false;
        bool negative = false;
        long long parameter = 0;
        if (m_p < m_end && *m_p == '-' && m_p + 1 < m_end && m_p[1] >= '0' && m_p[1] <= '9') {
            negative = true;
            ++m_p;
        }
        int digits = 0;
        while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
            if (digits < 10)
                parameter = parameter * 10 + (*m_p - '0');
            ++digits;
            ++m_p;
            hasParameter = true;
        }
        if (negative)
            parameter = -parameter;
        parameter = qBound(static_cast<long long>(INT_MIN), parameter, static_cast<long long>(INT_MAX));
        if (m_p < m_end && *m_p == ' ')
            ++m_p;

        if (word == Word::Bin) {
            // Binary data follows, as many bytes as the parameter says.
            const long long length = qMax(0LL, parameter);
            m_p += qMin<long long>(length, m_end - m_p);
            return;
        }
        flushBytes();
        if (word == Word::U) {
            if (consumeFallback())
                return;
            int code = int(parameter);
            if (code < 0)
                code += 65536;
            if (!skipping() && code > 0 && code <= 0xFFFF)
                appendChar(QChar(char16_t(code)));
            m_fallbackToSkip = m_state.fallbackCount;
            return;
        }
        if (consumeFallback())
            return;
        controlWord(word, hasParameter, int(parameter));
    }

    void controlWord(Word word, bool hasParameter, int parameter)
    {
        if (m_optionalDestination) {
            m_optionalDestination = false;
            if (word != Word::Fldrslt)
                m_state.destination = Destination::Skip;
            return;
        }
        if (word == Word::Skipped) {
            m_state.destination = Destination::Skip;
            return;
        }
        if (m_state.destination == Destination::Skip || word == Word::Unknown)
            return;
        switch (word) {
        case Word::Fonttbl:
            m_state.destination = Destination::FontTable;
            return;
        case Word::Colortbl:
            m_state.destination = Destination::ColourTable;
            m_colourStarted = false;
            return;
        // Document-wide settings, wherever they stand.
        case Word::Ansicpg: m_ansiCodePage = parameter; return;
        case Word::Mac: m_ansiCodePage = 10000; return;
        case Word::Pc: m_ansiCodePage = 437; return;
        case Word::Pca: m_ansiCodePage = 850; return;
        case Word::Deff: m_defaultFont = parameter; return;
        case Word::Uc: m_state.fallbackCount = qBound(0, parameter, 16); return;
        default: break;
        }
        if (m_state.destination == Destination::FontTable)
            fontTableWord(word, parameter);
        else if (m_state.destination == Destination::ColourTable)
            colourTableWord(word, parameter);
        else
            textWord(word, hasParameter, parameter);
    }

    void fontTableWord(Word word, int parameter)
    {
        if (word == Word::F) {
            finishFontEntry();
            m_fontEntry = parameter;
            m_fonts[parameter];
        } else if (word == Word::Fcharset && m_fontEntry >= 0) {
            m_fonts[m_fontEntry].charset = parameter;
        }
    }

    void colourTableWord(Word word, int parameter)
    {
        const int component = qBound(0, parameter, 255);
        if (word == Word::Red)
            m_colour.setRed(component);
        else if (word == Word::Green)
            m_colour.setGreen(component);
        else if (word == Word::Blue)
            m_colour.setBlue(component);
        else
            return;
        m_colourStarted = true;
    }

    void textWord(Word word, bool hasParameter, int parameter)
    {
        CharState &chars = m_state.chars;
        const bool on = !hasParameter || parameter != 0;
        switch (word) {
        case Word::Par: endParagraph(); break;
        case Word::Cell: endParagraph(); break;  // a table is read as one paragraph per cell
        case Word::Row:
        case Word::Page:
            if (!m_blockBreakPending && (!m_run.isEmpty() || !m_cursor.block().text().isEmpty()))
                endParagraph();
            break;
        case Word::Line: appendSymbol(QChar(QChar::LineSeparator)); break;
        case Word::Tab: appendSymbol(QChar('\t')); break;
        case Word::Pard:
        case Word::Ql: m_state.alignment = Qt::AlignLeft; break;
        case Word::Qc: m_state.alignment = Qt::AlignHCenter; break;
        case Word::Qr: m_state.alignment = Qt::AlignRight; break;
        case Word::Qj: m_state.alignment = Qt::AlignJustify; break;
        case Word::Plain: chars = CharState(); break;
        case Word::B: chars.bold = on; break;
        case Word::I: chars.italic = on; break;
        case Word::Ulnone: chars.underline = false; break;
        case Word::Underline: chars.underline = on; break;
        case Word::F: chars.font = parameter; break;
        case Word::Fs:
            if (parameter > 0)
                chars.halfPoints = qMin(parameter, 3276);
            break;
        case Word::Cf: chars.foreground = parameter; break;
        case Word::Highlight: chars.background = parameter; break;
        case Word::Emdash: appendSymbol(QChar(0x2014)); break;
        case Word::Endash: appendSymbol(QChar(0x2013)); break;
        case Word::Bullet: appendSymbol(QChar(0x2022)); break;
        case Word::Lquote: appendSymbol(QChar(0x2018)); break;
        case Word::Rquote: appendSymbol(QChar(0x2019)); break;
        case Word::Ldblquote: appendSymbol(QChar(0x201C)); break;
        case Word::Rdblquote: appendSymbol(QChar(0x201D)); break;
        case Word::Emspace: appendSymbol(QChar(0x2003)); break;
        case Word::Enspace: appendSymbol(QChar(0x2002)); break;
        default: break;  // spacing, indents, table geometry, ... are not kept
        }
    }

    void finishFontEntry()
    {
        if (m_fontEntry >= 0) {
            QString name = m_fontName.trimmed();
            if (name.endsWith(QLatin1Char(';')))
                name.chop(1);
            if (!name.isEmpty())
                m_fonts[m_fontEntry].family = name.trimmed();
        }
        m_fontEntry = -1;
        m_fontName.clear();
    }

    // ---- text ----

    // A byte of a \'xx escape (or written raw). Single-byte code pages decode at
    // once; the bytes of the East Asian ones are gathered and decoded together,
    // so that a character of two bytes decodes as one.
    void appendByte(char byte)
    {
        if (skipping())
            return;
        const int codePage = codePageOfFont(currentFont());
        if (const SingleByteTable *table = singleByteTable(codePage)) {
            appendChar(QChar((*table)[static_cast<unsigned char>(byte)]));
            return;
        }
        m_bytesCodePage = codePage;
        m_bytes.append(byte);
    }

    void appendSymbol(QChar symbol)
    {
        if (!skipping())
            appendChar(symbol);
    }

    int currentFont() const
    {
        return m_state.destination == Destination::FontTable ? m_fontEntry : m_state.chars.font;
    }

    int codePageOfFont(int font) const
    {
        const int index = font < 0 ? m_defaultFont : font;
        const auto entry = m_fonts.constFind(index);
        if (entry != m_fonts.constEnd()) {
            if (const int page = codePageOfCharset(entry->charset))
                return page;
        }
        return m_ansiCodePage;
    }

    QStringDecoder &decoderFor(int codePage)
    {
        auto found = m_decoders.find(codePage);
        if (found == m_decoders.end()) {
            auto decoder = std::make_unique<QStringDecoder>(
                QByteArray("windows-") + QByteArray::number(codePage), QStringDecoder::Flag::Stateless);
            if (!decoder->isValid())
                decoder = std::make_unique<QStringDecoder>("windows-1252", QStringDecoder::Flag::Stateless);
            found = m_decoders.emplace(codePage, std::move(decoder)).first;
        }
        return *found->second;
    }

    // The characters of a code page's 256 bytes; null for the code pages whose
    // characters take two bytes.
    const SingleByteTable *singleByteTable(int codePage)
    {
        if (codePage == m_tableCodePage)
            return m_table;
        m_tableCodePage = codePage;
        auto found = m_tables.find(codePage);
        if (found == m_tables.end()) {
            std::unique_ptr<SingleByteTable> table;
            if (codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950) {
                table = std::make_unique<SingleByteTable>();
                QStringDecoder &decoder = decoderFor(codePage);
                for (int byte = 0; byte < 256; ++byte) {
                    const QString decoded = decoder.decode(QByteArray(1, char(byte)));
                    (*table)[byte] = decoded.size() == 1 ? decoded[0].unicode() : char16_t(0xFFFD);
                }
            }
            found = m_tables.emplace(codePage, std::move(table)).first;
        }
        m_table = found->second.get();
        return m_table;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        const QString text = decoderFor(m_bytesCodePage).decode(m_bytes);
        m_bytes.clear();
        appendText(text);
    }

    // Text of the font table, the colour table or the page. False when the text
    // is not the page's (it has been dealt with then).
    bool tableText(QStringView text)
    {
        switch (m_state.destination) {
        case Destination::Skip:
            return true;
        case Destination::ColourTable:
            // Each ";" ends an entry; an entry without components is "auto".
            for (qsizetype n = text.count(QLatin1Char(';')); n > 0; --n) {
                m_colours.append(m_colourStarted ? m_colour : QColor());
                m_colour = QColor(0, 0, 0);
                m_colourStarted = false;
            }
            return true;
        case Destination::FontTable:
            m_fontName += text;
            if (m_fontName.contains(QLatin1Char(';')))
                finishFontEntry();
            return true;
        case Destination::Text:
            break;
        }
        return false;
    }

    // Readies the run for the page's text in the current formatting.
    void prepareRun()
    {
        if (m_blockBreakPending) {
            m_cursor.insertBlock();
            m_blockBreakPending = false;
        }
        if (!(m_state.chars == m_runState) || !m_runFormatValid) {
            flushRun();
            m_runState = m_state.chars;
            m_runFormat = charFormat(m_runState);
            m_runFormatValid = true;
        }
    }

    void appendLatin1(const char *text, qsizetype length)
    {
        if (m_state.destination == Destination::Text) {
            prepareRun();
            m_run += QLatin1String(text, length);
        } else {
            appendText(QString::fromLatin1(text, length));
        }
    }

    void appendText(QStringView text)
    {
        if (tableText(text))
            return;
        prepareRun();
        m_run += text;
    }

    void appendChar(QChar c)
    {
        if (tableText(QStringView(&c, 1)))
            return;
        prepareRun();
        m_run += c;
    }

    QTextCharFormat charFormat(const CharState &chars) const
    {
        QTextCharFormat format;
        format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(chars.italic);
        format.setFontUnderline(chars.underline);
        format.setFontPointSize(chars.halfPoints / 2.0);
        const auto font = m_fonts.constFind(chars.font < 0 ? m_defaultFont : chars.font);
        if (font != m_fonts.constEnd() && !font->family.isEmpty())
            format.setFontFamilies(QStringList{font->family});
        if (chars.foreground > 0 && chars.foreground < m_colours.size() && m_colours[chars.foreground].isValid())
            format.setForeground(m_colours[chars.foreground]);
        if (chars.background > 0 && chars.background < m_colours.size() && m_colours[chars.background].isValid())
            format.setBackground(m_colours[chars.background]);
        return format;
    }

    void flushRun()
    {
        if (m_run.isEmpty())
            return;
        // Line-end characters inside a paragraph's text would split it: they
        // are line breaks, as \line is; a NUL shows nothing.
        for (QChar &ch : m_run) {
            if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n') || ch == QChar::ParagraphSeparator)
                ch = QChar::LineSeparator;
        }
        m_run.remove(QChar(0));
        m_cursor.insertText(m_run, m_runFormat);
        m_run.clear();
    }

    void setBlockFormat()
    {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setAlignment(m_state.alignment);
        m_cursor.setBlockFormat(format);
        m_cursor.setBlockCharFormat(charFormat(m_state.chars));
    }

    // \par ends the paragraph; its properties are those in force at its end.
    // The next paragraph's block is made when its first text comes, so that a
    // document ending in \par has no empty paragraph after it.
    void endParagraph()
    {
        if (m_state.destination != Destination::Text)
            return;
        flushRun();
        if (m_blockBreakPending)
            m_cursor.insertBlock();
        setBlockFormat();
        m_blockBreakPending = true;
    }

    const char *m_p;
    const char *m_end;
    bool m_finished = false;

    GroupState m_state;
    std::vector<GroupState> m_stack;
    int m_deepGroups = 0;  // groups open past kMaxSavedGroups
    int m_fallbackToSkip = 0;
    bool m_optionalDestination = false;  // "\*" seen, its control word not yet

    QHash<int, FontEntry> m_fonts;
    int m_defaultFont = 0;
    int m_fontEntry = -1;
    QString m_fontName;
    QList<QColor> m_colours;
    QColor m_colour{0, 0, 0};
    bool m_colourStarted = false;
    int m_ansiCodePage = kDefaultCodePage;

    QByteArray m_bytes;  // bytes of a two-byte code page, not decoded yet
    int m_bytesCodePage = kDefaultCodePage;
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
    std::map<int, std::unique_ptr<SingleByteTable>> m_tables;
    int m_tableCodePage = 0;
    const SingleByteTable *m_table = nullptr;

    QTextCursor m_cursor;
    QString m_run;
    CharState m_runState;
    QTextCharFormat m_runFormat;
    bool m_runFormatValid = false;
    bool m_blockBreakPending = false;
};

}  // namespace

bool isRtf(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return QByteArrayView(bytes).sliced(i).startsWith("{\\rtf");
}

bool readRtf(const QByteArray &rtf, QTextDocument *document)
{
    if (!document || !isRtf(rtf))
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    {
        RtfReader reader(rtf, document);
        QTextCursor batch(document);
        batch.beginEditBlock();
        reader.read();
        batch.endEditBlock();
    }
    document->setUndoRedoEnabled(undo);
    return true;
}

}  // namespace platform
