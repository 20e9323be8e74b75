#pragma once
// A launch script read into its title and entries.
//
// Empty lines and lines beginning with "'" are comments. The first other line is the
// title; every later one is an entry, numbered from 0. Entry lines are split at "¬"
// with no trimming. A trigger (field 3) counts only on lines of exactly four fields.
// A line whose trigger is "[end]" is the last line read. A window shows at most
// `maxEntries` entries; later entry lines are counted, not read.
#include "launch/core/scriptentry.h"
#include "launch/core/scriptproblem.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace launch {

class LaunchScript {
public:
    // The most entries a script may have: the window stacks one button under the
    // other and cannot scroll, and 64 entries make it 2030 pixels tall (at 96 dots
    // per inch), about as tall as the largest common screen (2160 pixels).
    static constexpr int maxEntries = 64;

    // The field separator, NOT SIGN (U+00AC).
    static constexpr QChar separator() { return QChar(0x00AC); }

    // Reads the lines of a script file (as platform::readSettingsLines gives them).
    static LaunchScript parse(const QStringList &lines);

    bool hasTitle() const { return m_hasTitle; }
    const QString &title() const { return m_title; }
    const QList<ScriptEntry> &entries() const { return m_entries; }

    // True when an entry's trigger "[end]" stops the reading: nothing after it is read.
    bool endsWhileReading() const { return m_endsWhileReading; }

    // Every problem of the lines read, in line order: short lines, commands and
    // triggers that can never work as written (see EntryCheck), entries beyond
    // maxEntries, and a script without entries.
    const QList<ScriptProblem> &problems() const { return m_problems; }
    // What works but is hardly meant, in line order (see EntryCheck).
    const QList<ScriptProblem> &warnings() const { return m_warnings; }

    // What a click on a short entry's button tells the user.
    static QString shortLineText(const ScriptEntry &entry);

private:
    void addEntry(int lineNumber, const QString &line);

    bool m_hasTitle = false;
    QString m_title;
    QList<ScriptEntry> m_entries;
    bool m_endsWhileReading = false;
    QList<ScriptProblem> m_problems;
    QList<ScriptProblem> m_warnings;
};

}  // namespace launch
