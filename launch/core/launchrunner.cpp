#include "launch/core/launchrunner.h"

#include "launch/core/clock.h"
#include "launch/core/launchcommand.h"
#include "launch/core/scriptfiles.h"
#include "platform/dialogs.h"
#include "platform/launcher.h"
#include "platform/settingsfile.h"
#include "platform/tones.h"
#include "platform/windowservices.h"

namespace launch {

LaunchRunner::LaunchRunner(LaunchView &view, const Services &services,
                           const QString &programFolder, const QString &programName)
    : m_view(view), m_services(services), m_programFolder(programFolder),
      m_programName(programName)
{
}

QString LaunchRunner::timeText(const QTime &time)
{
    return QStringLiteral("%1:%2").arg(time.hour()).arg(time.minute());
}

bool LaunchRunner::commandLineEntry(const QString &commandLine, const QList<ScriptEntry> &entries,
                                    int *entry, QString *problem)
{
    int number = 0;
    if (!LaunchCommand::parseNumber(commandLine, &number)) {
        *problem = QStringLiteral("the command line \"%1\" is not an entry number, so nothing of it runs")
                       .arg(commandLine);
        return false;
    }
    if (number < 0 || number >= entries.size()) {
        const QString known = entries.isEmpty()
                                  ? QStringLiteral("the script has none")
                                  : QStringLiteral("the entries are 0 to %1").arg(entries.size() - 1);
        *problem = QStringLiteral("the command line \"%1\" names no entry (%2), so nothing of it runs")
                       .arg(commandLine, known);
        return false;
    }
    const ScriptEntry &named = entries.at(number);
    if (!named.complete()) {
        *problem = QStringLiteral("the command line \"%1\" names the entry of line %2, which has no "
                                  "commands, so nothing of it runs")
                       .arg(commandLine)
                       .arg(named.lineNumber);
        return false;
    }
    *entry = number;
    return true;
}

void LaunchRunner::end(int exitCode)
{
    if (m_ended)
        return;
    m_ended = true;
    m_exitCode = exitCode;
    m_view.quit();
}

LaunchRunner::LoadResult LaunchRunner::load(const QString &commandLine)
{
    const ScriptFiles files = ScriptFiles::locate(m_programFolder, m_programName);
    if (!files.hasScript()) {
        m_services.dialogs.messageBox(programTitle(), files.missingScriptText());
        end(1);
        return LoadResult::Ended;
    }
    QStringList lines;
    switch (platform::readSettingsFile(files.scriptPath(), &lines)) {
    case platform::SettingsRead::Read:
        break;
    case platform::SettingsRead::NotOpened:
        m_services.dialogs.messageBox(programTitle(),
                                      QStringLiteral("The launch script %1 cannot be read.")
                                          .arg(files.scriptPath()));
        end(1);
        return LoadResult::Ended;
    case platform::SettingsRead::TooLarge:
        m_services.dialogs.messageBox(programTitle(),
                                      platform::settingsFileTooLargeText(files.scriptPath()));
        end(1);
        return LoadResult::Ended;
    }

    const LaunchScript script = LaunchScript::parse(lines);
    QList<ScriptProblem> problems = script.problems();

    // The command line is checked against the whole script before anything runs, so
    // that its problem is told in the one box of this load. A wrong command line runs
    // no entry of its own; the script itself is read as usual, start-up entries
    // included, and the program then ends. A script that ends while it is read never
    // gets to its command line.
    const QString wanted = commandLine.trimmed();
    int commandEntry = -1;
    bool commandLineIsBad = false;
    if (!wanted.isEmpty() && !script.endsWhileReading()) {
        QString problem;
        if (!commandLineEntry(wanted, script.entries(), &commandEntry, &problem)) {
            problems.append({0, problem});
            commandLineIsBad = true;
        }
    }

    if (!problems.isEmpty()) {
        QStringList text{QStringLiteral("Problems in %1:").arg(files.scriptPath()), QString()};
        for (const ScriptProblem &problem : problems)
            text.append(problem.toString());
        m_services.dialogs.messageBox(programTitle(), text.join(QLatin1Char('\n')));
    }

    if (files.hasPicture())
        m_view.setPicture(files.picturePath());
    m_view.setCaption(script.title() + QStringLiteral("  ") + m_programFolder);

    for (const ScriptEntry &entry : script.entries()) {
        const int i = entry.number;
        // The entry exists from here on: a click or tick let through below may run it.
        m_entries.append(entry);

        EntryControls controls;
        controls.entry = i;
        controls.geometry = EntryLayout::place(i, entry.caption(), entry.labelText());
        controls.buttonCaption = entry.caption();
        controls.labelCaption = entry.labelText();
        controls.labelToolTip = entry.commandList();
        controls.buttonToolTip = entry.buttonToolTip();
        m_view.addEntry(controls);
        if (i > 0) {
            m_view.processPendingEvents();
            if (m_ended)
                return LoadResult::Ended;
        }

        switch (entry.trigger) {
        case Trigger::Autorun:
            execute(i);
            if (m_ended)
                return LoadResult::Ended;
            break;
        case Trigger::End:
            end(0);
            return LoadResult::Ended;
        case Trigger::Time: {
            const QString item = entry.timeText + QLatin1Char(',') + QString::number(i);
            m_List1.append(item);
            m_timedEntries.append({entry.timeText, i});
            m_view.addTimerItem(item);
            if (!m_timerStarted) {
                m_timerStarted = true;
                m_view.startTimer1(100);
            }
            break;
        }
        case Trigger::OnClose:
            m_List2.append(QString::number(i));
            m_onCloseEntries.append(i);
            m_view.addOnCloseItem(QString::number(i));
            break;
        case Trigger::None:
            break;
        }
    }
    m_view.setWindowHeight(EntryLayout::windowHeight(entryCount()));

    if (commandLineIsBad) {
        end(1);
        return LoadResult::Ended;
    }
    if (commandEntry >= 0) {
        execute(commandEntry);
        end(0);
        return LoadResult::Ended;
    }
    return LoadResult::ShowWindow;
}

void LaunchRunner::execute(int entry)
{
    if (m_ended || entry < 0 || entry >= m_entries.size())
        return;
    // A copy: a nested run (through the pending events of "[hide]") may be going on.
    const ScriptEntry current = m_entries.at(entry);
    if (!current.complete()) {
        m_services.dialogs.messageBox(
            programTitle(),
            ScriptProblem{current.lineNumber, LaunchScript::shortLineText(current)}.toString());
        return;
    }
    const QStringList commands = current.commandList().split(QLatin1Char('*'));
    for (const QString &command : commands) {
        if (!runCommand(entry, command) || m_ended)
            return;
    }
}

bool LaunchRunner::runCommand(int entry, const QString &text)
{
    const LaunchCommand command = LaunchCommand::parse(text);
    switch (command.kind()) {
    case LaunchCommand::Kind::End:
        end(0);
        return false;
    case LaunchCommand::Kind::Launch: {
        QString answer;
        if (m_services.dialogs.inputBox(QStringLiteral("enter program , url or file to run"),
                                        QStringLiteral("run..."), &answer) &&
            !answer.isEmpty())
            m_services.launcher.openTarget(answer, QString());
        break;
    }
    case LaunchCommand::Kind::Hide:
        m_view.setEntryButtonVisible(entry, false);
        m_view.processPendingEvents();
        break;
    case LaunchCommand::Kind::Show:
        m_view.setEntryButtonVisible(entry, true);
        m_view.processPendingEvents();
        break;
    case LaunchCommand::Kind::Move:
        m_view.moveWindow(command.first(), command.second());
        break;
    case LaunchCommand::Kind::MouseMove:
        m_services.windows.warpPointer(command.first(), command.second());
        break;
    case LaunchCommand::Kind::Beep:
        m_services.tones.beep(command.first(), command.second());
        break;
    case LaunchCommand::Kind::Pause:
        m_services.tones.pause(command.first());
        break;
    case LaunchCommand::Kind::Minimise:
        m_view.minimise();
        break;
    case LaunchCommand::Kind::Restore:
        m_view.restore();
        break;
    case LaunchCommand::Kind::Maximise:
        m_view.maximise();
        break;
    case LaunchCommand::Kind::Alert:
        m_services.dialogs.messageBox(programTitle(), command.message(), platform::MessageButtons::Ok);
        break;
    case LaunchCommand::Kind::Check:
        if (m_services.dialogs.messageBox(programTitle(), command.message(),
                                          platform::MessageButtons::OkCancel) !=
            platform::MessageResult::Ok)
            return false;
        break;
    case LaunchCommand::Kind::Open:
        // An empty command (a trailing "*", an empty command list) opens nothing.
        if (command.target().isEmpty())
            break;
        m_services.launcher.openTarget(command.target(), command.hasWorkingFolder()
                                                             ? command.workingFolder()
                                                             : m_programFolder);
        break;
    case LaunchCommand::Kind::NoMatch:
    case LaunchCommand::Kind::BadNumber:
        // Told once, at load; the command does nothing.
        break;
    }
    return true;
}

void LaunchRunner::Timer1()
{
    if (m_ended)
        return;
    m_view.startTimer1(60000);
    const QString now = timeText(m_services.clock.currentTime());
    // The entry number is kept beside its time text, never read back out of the
    // item: a time text holding a "," cannot make another entry run.
    const QList<TimedEntry> timed = m_timedEntries;
    for (const TimedEntry &item : timed) {
        if (m_ended)
            return;
        if (item.timeText == now)
            execute(item.entry);
    }
}

void LaunchRunner::closing()
{
    const QList<int> entries = m_onCloseEntries;
    for (int entry : entries) {
        if (m_ended)
            return;
        execute(entry);
    }
}

void LaunchRunner::openWebsite()
{
    m_services.launcher.openTarget(websiteAddress(), m_programFolder);
}

}  // namespace launch
