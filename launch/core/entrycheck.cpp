#include "launch/core/entrycheck.h"

#include "launch/core/launchcommand.h"

#include <QStringList>

namespace launch {

namespace {

bool isTriggerText(const QString &text)
{
    return text == QLatin1String("[autorun]") || text == QLatin1String("[end]") ||
           text == QLatin1String("[onclose]") || text.startsWith(QLatin1String("[time"));
}

// One part of a time text as the timer writes it: 0 to `largest`, no leading zero.
bool isTimePart(const QString &part, int largest, int *value)
{
    if (part.isEmpty() || part.size() > 2 || (part.size() == 2 && part.at(0) == QLatin1Char('0')))
        return false;
    return LaunchCommand::parseNumber(part, value) && *value >= 0 && *value <= largest;
}

// The time text with leading zeros dropped ("09:05" gives "9:5"), or the empty text
// when dropping them would not make a time the timer ever shows.
QString withoutLeadingZeros(const QString &timeText)
{
    const QStringList parts = timeText.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return QString();
    QStringList plain;
    for (QString part : parts) {
        while (part.size() > 1 && part.startsWith(QLatin1Char('0')))
            part.remove(0, 1);
        plain.append(part);
    }
    const QString candidate = plain.join(QLatin1Char(':'));
    return EntryCheck::timeCanMatch(candidate) ? candidate : QString();
}

bool sameMeaning(const LaunchCommand &a, const LaunchCommand &b)
{
    return a.kind() == b.kind() && a.first() == b.first() && a.second() == b.second() &&
           a.message() == b.message() && a.target() == b.target() &&
           a.hasWorkingFolder() == b.hasWorkingFolder() && a.workingFolder() == b.workingFolder();
}

// "90 seconds", "25 minutes", "27 hours".
QString duration(int milliseconds)
{
    const int seconds = milliseconds / 1000;
    if (seconds < 120)
        return QStringLiteral("%1 seconds").arg(seconds);
    if (seconds < 120 * 60)
        return QStringLiteral("%1 minutes").arg(seconds / 60);
    return QStringLiteral("%1 hours").arg(seconds / 3600);
}

// A pause or tone that holds the window longer than the minute timer's interval.
void warnIfLong(const QString &text, const char *doing, int milliseconds, int line,
                QList<ScriptProblem> *warnings)
{
    if (milliseconds <= EntryCheck::longestQuietWait)
        return;
    warnings->append({line,
                      QStringLiteral("\"%1\" %2 %3: the window answers nothing meanwhile, and a "
                                     "time entry due then does not run")
                          .arg(text, QLatin1String(doing), duration(milliseconds)),
                      true});
}

void checkCommand(const QString &text, int line, QList<ScriptProblem> *problems,
                  QList<ScriptProblem> *warnings)
{
    const LaunchCommand command = LaunchCommand::parse(text);

    // Spaces beside "*" stay part of the command; they matter where they change
    // what the command does.
    const QString trimmed = text.trimmed();
    if (trimmed != text && !sameMeaning(command, LaunchCommand::parse(trimmed))) {
        QString effect;
        if (command.kind() == LaunchCommand::Kind::Open)
            effect = LaunchCommand::parse(trimmed).kind() == LaunchCommand::Kind::Open
                         ? QStringLiteral("the spaces are part of what it opens")
                         : QStringLiteral("it is opened as a target, not run as a command");
        else
            effect = QStringLiteral("it is not a command and does nothing");
        problems->append({line, QStringLiteral("\"%1\": a command is used exactly as written, "
                                               "spaces too, so %2 (write no space beside \"*\")")
                                    .arg(text, effect)});
        return;
    }

    switch (command.kind()) {
    case LaunchCommand::Kind::BadNumber:
        problems->append({line, QStringLiteral("\"%1\": %2, so the command does nothing")
                                    .arg(text, command.problem())});
        break;
    case LaunchCommand::Kind::NoMatch:
        if (isTriggerText(text)) {
            problems->append({line, QStringLiteral("\"%1\" is a trigger, not a command: it belongs "
                                                   "in a fourth field after the commands "
                                                   "(caption¬label¬commands¬%1); among the "
                                                   "commands it does nothing")
                                        .arg(text)});
        } else {
            const bool caseOnly =
                LaunchCommand::parse(text.toLower()).kind() != LaunchCommand::Kind::NoMatch;
            problems->append({line, QStringLiteral("\"%1\" is not a command%2, so it does nothing")
                                        .arg(text, caseOnly ? QStringLiteral(" (commands are "
                                                                             "written in lower case)")
                                                            : QString())});
        }
        break;
    case LaunchCommand::Kind::Pause:
        warnIfLong(text, "waits", command.first(), line, warnings);
        break;
    case LaunchCommand::Kind::Beep:
        warnIfLong(text, "sounds for", command.second(), line, warnings);
        break;
    default:
        break;
    }
}

void checkTrigger(const ScriptEntry &entry, QList<ScriptProblem> *problems)
{
    const int line = entry.lineNumber;
    const QString trigger = entry.field(3);
    if (entry.fields.size() > 4) {
        if (isTriggerText(trigger)) {
            problems->append({line, QStringLiteral("the trigger \"%1\" counts only on a line of "
                                                   "exactly four fields and this line has %2, so it "
                                                   "is ignored")
                                        .arg(trigger)
                                        .arg(entry.fields.size())});
        }
        return;
    }
    if (trigger.isEmpty() || trigger == QLatin1String("[autorun]") ||
        trigger == QLatin1String("[end]") || trigger == QLatin1String("[onclose]"))
        return;
    if (!trigger.startsWith(QLatin1String("[time"))) {
        problems->append({line, QStringLiteral("\"%1\" is not a trigger ([autorun], [end], "
                                               "[time 14:30] or [onclose]), so the entry runs only "
                                               "when its button is clicked")
                                    .arg(trigger)});
        return;
    }
    if (entry.timeText.isEmpty()) {
        problems->append({line, QStringLiteral("\"%1\" has no time (write it as [time 14:30]), so "
                                               "the entry never runs by time")
                                    .arg(trigger)});
        return;
    }
    if (EntryCheck::timeCanMatch(entry.timeText))
        return;
    const QString plain = withoutLeadingZeros(entry.timeText);
    if (!plain.isEmpty()) {
        problems->append({line, QStringLiteral("\"%1\" never runs: the time is written without "
                                               "leading zeros (write [time %2])")
                                    .arg(trigger, plain)});
    } else {
        problems->append({line, QStringLiteral("\"%1\" never runs: a time is the hour (0 to 23), "
                                               "\":\" and the minute (0 to 59), as in [time 14:30]")
                                    .arg(trigger)});
    }
}

}  // namespace

bool EntryCheck::timeCanMatch(const QString &timeText)
{
    const QStringList parts = timeText.split(QLatin1Char(':'));
    int hour = 0;
    int minute = 0;
    return parts.size() == 2 && isTimePart(parts.at(0), 23, &hour) &&
           isTimePart(parts.at(1), 59, &minute);
}

void EntryCheck::check(const ScriptEntry &entry, QList<ScriptProblem> *problems,
                       QList<ScriptProblem> *warnings)
{
    const QStringList commands = entry.commandList().split(QLatin1Char('*'));
    for (const QString &command : commands)
        checkCommand(command, entry.lineNumber, problems, warnings);
    checkTrigger(entry, problems);
}

}  // namespace launch
