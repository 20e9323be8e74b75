#pragma once
// A launch script read into its title and entries.
//
// Empty lines and lines beginning with "'" are comments. The first other line is the
// title; every later one is an entry, numbered from 0. Entry lines are split at "¬"
// with no trimming. A trigger (field 3) counts only on lines of exactly four fields.
// A line whose trigger is "[end]" is the last line read.
#include "launch/core/scriptentry.h"
#include "launch/core/scriptproblem.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace launch {

class LaunchScript {
public:
    // The field separator, NOT SIGN (U+00AC).
    static constexpr QChar separator() { return QChar(0x00AC); }

    // Reads the lines of a script file (as platform::readSettingsLines gives them).
    static LaunchScript parse(const QStringList &lines);

    bool hasTitle() const { return m_hasTitle; }
    const QString &title() const { return m_title; }
    const QList<ScriptEntry> &entries() const { return m_entries; }

    // True when an entry's trigger "[end]" stops the reading: nothing after it is read.
    bool endsWhileReading() const { return m_endsWhileReading; }

    // Every problem of the lines read, in line order: short lines, numbers that are not
    // numbers, time triggers without a time, and a script without entries.
    const QList<ScriptProblem> &problems() const { return m_problems; }

    // What a click on a short entry's button tells the user.
    static QString shortLineText(const ScriptEntry &entry);

private:
    void addEntry(int lineNumber, const QString &line);

    bool m_hasTitle = false;
    QString m_title;
    QList<ScriptEntry> m_entries;
    bool m_endsWhileReading = false;
    QList<ScriptProblem> m_problems;
};

}  // namespace launch
