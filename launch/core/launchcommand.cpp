#include "launch/core/launchcommand.h"

#include <QStringList>

#include <limits>

namespace launch {

namespace {

// A word's argument ends at its first "]": "500]" and "500]now" both give "500".
QString upToBracket(const QString &word)
{
    const qsizetype bracket = word.indexOf(QLatin1Char(']'));
    return bracket < 0 ? word : word.left(bracket);
}

// The text after a prefix up to the next "]" (or the end): the alert and check text.
QString messageAfter(const QString &command, qsizetype prefixLength)
{
    return upToBracket(command.mid(prefixLength));
}

}  // namespace

bool LaunchCommand::parseNumber(const QString &text, int *value)
{
    qsizetype pos = 0;
    bool negative = false;
    if (pos < text.size() && text.at(pos) == QLatin1Char('-')) {
        negative = true;
        ++pos;
    }
    if (pos == text.size())
        return false;
    long long number = 0;
    for (; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        number = number * 10 + (c.unicode() - '0');
        if (number > static_cast<long long>(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        number = -number;
    if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
        return false;
    *value = static_cast<int>(number);
    return true;
}

LaunchCommand LaunchCommand::numbers(Kind kind, const QString &text, int count, bool allowNegative)
{
    // Word 1 is the first number; the last number is read up to its first "]".
    // With one number, word 1 itself is read up to its "]".
    const QStringList words = text.split(QLatin1Char(' '));
    int values[2] = {0, 0};
    for (int n = 0; n < count; ++n) {
        const qsizetype index = n + 1;
        if (index >= words.size()) {
            LaunchCommand bad(Kind::BadNumber, text);
            bad.m_problem = QStringLiteral("a number is missing");
            return bad;
        }
        const QString argument = n == count - 1 ? upToBracket(words.at(index)) : words.at(index);
        int value = 0;
        if (!parseNumber(argument, &value)) {
            LaunchCommand bad(Kind::BadNumber, text);
            bad.m_problem = QStringLiteral("\"%1\" is not a number").arg(argument);
            return bad;
        }
        if (!allowNegative && value < 0) {
            LaunchCommand bad(Kind::BadNumber, text);
            bad.m_problem = QStringLiteral("\"%1\" is below zero").arg(argument);
            return bad;
        }
        values[n] = value;
    }
    LaunchCommand command(kind, text);
    command.m_first = values[0];
    command.m_second = values[1];
    return command;
}

LaunchCommand LaunchCommand::parse(const QString &command)
{
    if (command == QLatin1String("[end]"))
        return LaunchCommand(Kind::End, command);

    if (command.startsWith(QLatin1Char('['))) {
        // The rows are tried in this order; keywords are case-sensitive.
        if (command == QLatin1String("[launch]"))
            return LaunchCommand(Kind::Launch, command);
        if (command == QLatin1String("[hide]"))
            return LaunchCommand(Kind::Hide, command);
        if (command == QLatin1String("[show]"))
            return LaunchCommand(Kind::Show, command);
        if (command.startsWith(QLatin1String("[move ")))
            return numbers(Kind::Move, command, 2, true);
        if (command.startsWith(QLatin1String("[mousemove ")))
            return numbers(Kind::MouseMove, command, 2, true);
        if (command.startsWith(QLatin1String("[beep ")))
            return numbers(Kind::Beep, command, 2, false);
        if (command.startsWith(QLatin1String("[pause ")))
            return numbers(Kind::Pause, command, 1, false);
        if (command == QLatin1String("[minimise]") || command == QLatin1String("[minimize]"))
            return LaunchCommand(Kind::Minimise, command);
        if (command == QLatin1String("[restore]"))
            return LaunchCommand(Kind::Restore, command);
        if (command == QLatin1String("[maximise]") || command == QLatin1String("[maximize]"))
            return LaunchCommand(Kind::Maximise, command);
        if (command.startsWith(QLatin1String("[alert "))) {
            LaunchCommand alert(Kind::Alert, command);
            alert.m_message = messageAfter(command, 7);
            return alert;
        }
        if (command.startsWith(QLatin1String("[check "))) {
            LaunchCommand check(Kind::Check, command);
            check.m_message = messageAfter(command, 7);
            return check;
        }
        return LaunchCommand(Kind::NoMatch, command);
    }

    LaunchCommand open(Kind::Open, command);
    const qsizetype bar = command.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        open.m_target = command;
    } else {
        open.m_target = command.left(bar);
        open.m_hasWorkingFolder = true;
        const QString rest = command.mid(bar + 1);
        const qsizetype next = rest.indexOf(QLatin1Char('|'));
        open.m_workingFolder = next < 0 ? rest : rest.left(next);
    }
    return open;
}

}  // namespace launch
