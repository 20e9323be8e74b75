#pragma once
// The page editor's configuration: the first line of the file named after the
// program (quillet2.ini beside quillet2), nine fields separated by "¬":
//   left¬top¬width¬height¬caption¬database¬edit¬clicknav¬ontop
// left, top, width and height in pixels; the database file relative to the
// program folder; "edit", "clicknav" and "ontop" (exactly so) switch on the
// edit tools, paging by clicks and staying above other windows.
#include <QRect>
#include <QString>

namespace pageeditor {

struct QuilletConfig {
    bool placed = false;  // false: a centred window of defaultSize
    QRect geometry;       // pixels, when placed
    QString caption = QStringLiteral("quillet2");
    QString database = QStringLiteral("pages.odb");
    bool edit = false;
    bool clicknav = false;
    bool ontop = false;
    // What was wrong with the file, in words, when something was; the editor
    // then starts with the defaults for what it could not take.
    QString problem;
};

// The window size when the configuration gives none, in pixels.
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 600;

// Reads the configuration file at `path`. A missing or unreadable file, or a
// first line of fewer than nine fields, gives every default; a field 0..3
// that is no whole number (or a width or height below 1) gives the default
// place and size; an empty caption or database name their defaults.
QuilletConfig readQuilletConfig(const QString &path);

// Parses one configuration line (as readQuilletConfig does; `fileName` names
// the file in the problem text).
QuilletConfig parseQuilletConfig(const QString &line, const QString &fileName);

}  // namespace pageeditor
