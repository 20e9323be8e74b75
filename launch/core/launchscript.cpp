#include "launch/core/launchscript.h"

#include "launch/core/entrycheck.h"

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
        .arg(entry.line(), QString(separator()));
}

LaunchScript LaunchScript::parse(const QStringList &lines)
{
    LaunchScript script;
    int firstUnreadLine = 0;  // the line of the first entry beyond maxEntries
    int entryLines = 0;
    for (qsizetype index = 0; index < lines.size() && !script.m_endsWhileReading; ++index) {
        const QString &line = lines.at(index);
        if (isComment(line))
            continue;
        if (!script.m_hasTitle) {
            script.m_hasTitle = true;
            script.m_title = line;
            continue;
        }
        const int lineNumber = static_cast<int>(index) + 1;
        if (++entryLines > maxEntries) {
            if (firstUnreadLine == 0)
                firstUnreadLine = lineNumber;
            continue;
        }
        script.addEntry(lineNumber, line);
    }
    if (firstUnreadLine > 0) {
        script.m_problems.append(
            {firstUnreadLine, QStringLiteral("the script has %1 entries and a window shows at most "
                                             "%2, so the entries from this line on are not read")
                                  .arg(entryLines)
                                  .arg(maxEntries)});
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
    entry.fields = line.split(separator());

    if (!entry.complete()) {
        m_problems.append({lineNumber, shortLineText(entry)});
        m_entries.append(entry);
        return;
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
            if (!time.isEmpty()) {
                entry.trigger = Trigger::Time;
                entry.timeText = time;
            }
        } else if (trigger == QLatin1String("[onclose]")) {
            entry.trigger = Trigger::OnClose;
        }
    }
    // Every command and trigger is read now, so that what can never work is told
    // once, at load; such a command then does nothing.
    EntryCheck::check(entry, &m_problems, &m_warnings);
    m_entries.append(entry);
}

}  // namespace launch
