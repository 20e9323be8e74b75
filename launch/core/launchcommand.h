#pragma once
// One command of an entry's command list, as the runner understands it.
//
// A command list is split at "*" into commands. A command is exactly "[end]", a
// bracket command (its first character is "["; split at single spaces into words,
// word 0 is the keyword with its "["), or a target to open ("target|folder|..." or
// a bare target, opened in the program folder).
#include <QString>

namespace launch {

class LaunchCommand {
public:
    enum class Kind {
        End,        // "[end]": the program ends at once
        Launch,     // "[launch]": asks for a target and opens it
        Hide,       // "[hide]": hides the running entry's button
        Show,       // "[show]": shows the running entry's button
        Move,       // "[move T L]": window top T, left L (pixels)
        MouseMove,  // "[mousemove X Y]": pointer to X, Y (pixels)
        Beep,       // "[beep F D]": tone of F hertz for D milliseconds
        Pause,      // "[pause N]": waits N milliseconds
        Minimise,   // "[minimise]" / "[minimize]"
        Restore,    // "[restore]"
        Maximise,   // "[maximise]" / "[maximize]"
        Alert,      // "[alert TEXT]": message box with OK
        Check,      // "[check TEXT]": message box with OK and Cancel
        NoMatch,    // a bracket command of no known form: does nothing
        Open,       // a target to open
        BadNumber,  // a known bracket command whose number is not usable: does nothing
    };

    // Reads one command exactly as written (nothing is trimmed).
    static LaunchCommand parse(const QString &command);

    // Reads a decimal integer: an optional "-" and one or more digits, nothing
    // else, within the range of int. Returns false for anything else.
    static bool parseNumber(const QString &text, int *value);

    Kind kind() const { return m_kind; }
    const QString &text() const { return m_text; }

    // Move: top, left. MouseMove: x, y. Beep: hertz, milliseconds. Pause: milliseconds.
    int first() const { return m_first; }
    int second() const { return m_second; }

    // Alert and Check: the message text.
    const QString &message() const { return m_message; }

    // Open: the target and, when the command names one after "|", the working folder.
    const QString &target() const { return m_target; }
    bool hasWorkingFolder() const { return m_hasWorkingFolder; }
    const QString &workingFolder() const { return m_workingFolder; }

    // BadNumber: what is wrong, naming the argument ("\"5x\" is not a number").
    const QString &problem() const { return m_problem; }

private:
    explicit LaunchCommand(Kind kind, const QString &text) : m_kind(kind), m_text(text) {}
    static LaunchCommand numbers(Kind kind, const QString &text, int count, bool allowNegative);

    Kind m_kind;
    QString m_text;
    int m_first = 0;
    int m_second = 0;
    QString m_message;
    QString m_target;
    bool m_hasWorkingFolder = false;
    QString m_workingFolder;
    QString m_problem;
};

}  // namespace launch
