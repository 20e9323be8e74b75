#include "launch/core/launchscript.h"

#include "launch/core/launchcommand.h"

namespace launch {

namespace {

bool isComment(const QString &line)
{
    return line.isEmpty() || line.startsWith(QLatin1Char('\''));
}

}  // namespace

QString LaunchScript::shortLineText(const ScriptEntry &entry)
{
    return QStringLiteral("\"%1\" has fewer than three fields (caption, label and commands, "
                          "separated by \"%2\"), so its button runs nothing")
        .arg(entry.line, QString(separator()));
}

LaunchScript LaunchScript::parse(const QStringList &lines)
{
    LaunchScript script;
    for (qsizetype index = 0; index < lines.size() && !script.m_endsWhileReading; ++index) {
        const QString &line = lines.at(index);
        if (isComment(line))
            continue;
        if (!script.m_hasTitle) {
            script.m_hasTitle = true;
            script.m_title = line;
            continue;
        }
        script.addEntry(static_cast<int>(index) + 1, line);
    }
    if (script.m_entries.isEmpty())
        script.m_problems.append({0, QStringLiteral("the script has no entries")});
    return script;
}

void LaunchScript::addEntry(int lineNumber, const QString &line)
{
    ScriptEntry entry;
    entry.number = static_cast<int>(m_entries.size());
    entry.lineNumber = lineNumber;
    entry.line = line;
    entry.fields = line.split(separator());

    if (!entry.complete()) {
        m_problems.append({lineNumber, shortLineText(entry)});
        m_entries.append(entry);
        return;
    }

    // Every command is read now, so that a number that is not a number is told once,
    // at load, and the command itself then does nothing.
    const QStringList commands = entry.commandList().split(QLatin1Char('*'));
    for (const QString &text : commands) {
        const LaunchCommand command = LaunchCommand::parse(text);
        if (command.kind() == LaunchCommand::Kind::BadNumber) {
            m_problems.append({lineNumber, QStringLiteral("\"%1\": %2, so the command does nothing")
                                               .arg(command.text(), command.problem())});
        }
    }

    if (entry.fields.size() == 4) {
        const QString &trigger = entry.fields.at(3);
        if (trigger == QLatin1String("[autorun]")) {
            entry.trigger = Trigger::Autorun;
        } else if (trigger == QLatin1String("[end]")) {
            entry.trigger = Trigger::End;
            m_endsWhileReading = true;
        } else if (trigger.startsWith(QLatin1String("[time"))) {
            const QStringList words = trigger.split(QLatin1Char(' '));
            QString time = words.size() > 1 ? words.at(1) : QString();
            const qsizetype bracket = time.indexOf(QLatin1Char(']'));
            if (bracket >= 0)
                time = time.left(bracket);
            if (time.isEmpty()) {
                m_problems.append({lineNumber, QStringLiteral("\"%1\" has no time (write it as "
                                                              "[time 14:30]), so the entry never "
                                                              "runs by time")
                                                   .arg(trigger)});
            } else {
                entry.trigger = Trigger::Time;
                entry.timeText = time;
            }
        } else if (trigger == QLatin1String("[onclose]")) {
            entry.trigger = Trigger::OnClose;
        }
    }
    m_entries.append(entry);
}

}  // namespace launch
