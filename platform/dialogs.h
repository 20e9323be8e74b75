#pragma once
// Message and input boxes, and the open-file dialog. Tests put a recorder in
// place of the Qt dialogs.
#include <QString>
#include <QStringList>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };
enum class MessageIcon { None, Error };

// How the open-file dialog is set up.
struct OpenFilesRequest {
    QString name;             // the dialog's object name (the design's control name)
    QString title;            // empty: the desktop's own ("Open")
    QString folder;           // the folder shown first
    QStringList filters;      // "Text Files (*.txt)", "All Files (*.*)", ...
    int shownFilter = 0;      // index of the filter shown first
    bool severalFiles = true; // more than one file may be chosen
    // Only files that exist may be chosen (always so: the dialog opens files).
};

// What the open-file dialog gave.
struct OpenFilesOutcome {
    enum class Kind { Chosen, Cancelled, Failed };
    Kind kind = Kind::Cancelled;
    QStringList files;    // full paths, in the dialog's order (Chosen)
    int errorNumber = 0;  // Failed: what went wrong
    QString errorText;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal message box titled `title`.
    virtual MessageResult messageBox(const QString &title, const QString &text,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;

    // Modal message box with the error icon and an OK button. Dialogs that show
    // no icons (a build tool's) give it as a plain message box.
    virtual void errorBox(const QString &title, const QString &text) { messageBox(title, text); }

    // Modal input box. Returns false on Cancel; *answer holds what was typed.
    virtual bool inputBox(const QString &title, const QString &prompt, QString *answer,
                          const QString &initial = QString()) = 0;

    // Modal open-file dialog; returns when the user has chosen or cancelled.
    // Dialogs that cannot ask anybody (a build tool's, a benchmark's) cancel.
    virtual OpenFilesOutcome openFiles(const OpenFilesRequest &request)
    {
        Q_UNUSED(request);
        return OpenFilesOutcome();
    }
};

// Qt's dialogs (needs a QApplication).
Dialogs &systemDialogs();

}  // namespace platform
