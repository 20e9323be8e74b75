#pragma once
// One entry line of a launch script, split into its fields.
#include <QString>
#include <QStringList>

namespace launch {

enum class Trigger { None, Autorun, End, Time, OnClose };

struct ScriptEntry {
    int number = 0;       // entry number, from 0 in file order
    int lineNumber = 0;   // line of the script file, from 1
    QStringList fields;   // split at "¬", not trimmed; the line itself is not kept twice

    Trigger trigger = Trigger::None;
    QString timeText;     // Trigger::Time: the time text ("14:30")

    // Field 0, 1 and 2, or the empty text when the line is too short for them.
    QString caption() const { return field(0); }
    QString labelText() const { return field(1); }
    QString commandList() const { return field(2); }

    // An entry needs a caption, a label and a command list; a shorter line keeps its
    // number but has no commands.
    bool complete() const { return fields.size() >= 3; }

    // The button's tooltip: the label text, " (opens ", the command list and ")".
    QString buttonToolTip() const
    {
        return labelText() + QStringLiteral(" (opens ") + commandList() + QStringLiteral(")");
    }

    // The line as read.
    QString line() const { return fields.join(QChar(0x00AC)); }

    QString field(int index) const { return index < fields.size() ? fields.at(index) : QString(); }
};

}  // namespace launch
