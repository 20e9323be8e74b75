#pragma once
// Message and input boxes. Tests put a recorder in place of the Qt dialogs.
#include <QString>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo };
enum class MessageResult { Ok, Cancel, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal message box titled `title`.
    virtual MessageResult messageBox(const QString &title, const QString &text,
                                     MessageButtons buttons = MessageButtons::Ok) = 0;

    // Modal input box. Returns false on Cancel; *answer holds what was typed.
    virtual bool inputBox(const QString &title, const QString &prompt, QString *answer,
                          const QString &initial = QString()) = 0;
};

// Qt's dialogs (needs a QApplication).
Dialogs &systemDialogs();

}  // namespace platform
