#pragma once
// data.txt: the home-page texts of the style movie, one block per movie text
// variable. A block starts with a header line "¬" + name + "¬" + the first line of
// the text; every further line of the text follows as a line of its own. Lines of a
// text are the pieces of the movie's value split at carriage returns (13).
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace DataFile {

// The field separator, NOT SIGN.
inline constexpr char16_t separator = u'\u00AC';

// The 25 movie text variables, "a" to "y" (there is no "z").
QStringList variableNames();

// The lines of one block. An empty value is written as a single blank, so every
// header has at least one character after the second separator.
QStringList block(const QString &name, const QString &value);

// The (name, text) pairs of the lines, in file order. A line starting with "¬" is a
// header: the piece after the first separator is the name, the piece after the
// second the first line of the text (anything after a third separator is dropped).
// Other lines are further lines of the current text, joined by carriage returns
// (also after an empty first line, so that what block() wrote reads back whole).
// Lines before the first header belong to no variable and are dropped.
QList<QPair<QString, QString>> parse(const QStringList &lines);

// True when some of the lines belong to no text: a line holding more than blanks
// before the first header. Load passes them over, and a save would drop them.
bool hasStrayLines(const QStringList &lines);

// True when the file at `path` is a data.txt whose texts cannot all be read: it
// cannot be opened, it is larger than a settings file may be, or it holds stray
// lines. A missing file holds nothing to lose.
bool hasUnreadTexts(const QString &path);

}  // namespace DataFile
