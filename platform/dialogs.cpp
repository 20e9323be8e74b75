#include "platform/dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

namespace platform {
namespace {

// Boxes belong to the active window, and stay on top: the programs' own windows
// cover the screen or stay on top themselves, and a box hidden behind them would
// hold the program with nothing to click.
class SystemDialogs : public Dialogs {
public:
    MessageResult messageBox(const QString &title, const QString &text,
                             MessageButtons buttons) override
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(title);
        // Shown as it is written: a text with "<" in it is no markup (a script's
        // message, a note, a file name).
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            box.setEscapeButton(QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            break;
        }
        const int answer = box.exec();
        switch (answer) {
        case QMessageBox::Yes:
            return MessageResult::Yes;
        case QMessageBox::No:
            return MessageResult::No;
        case QMessageBox::Cancel:
            return MessageResult::Cancel;
        case QMessageBox::Ok:
            return MessageResult::Ok;
        default:
            // Closed by the window manager: the answer that does nothing.
            return buttons == MessageButtons::Ok       ? MessageResult::Ok
                   : buttons == MessageButtons::YesNo ? MessageResult::No
                                                      : MessageResult::Cancel;
        }
    }

    bool inputBox(const QString &title, const QString &prompt, QString *answer,
                  const QString &initial) override
    {
        QInputDialog dialog(QApplication::activeWindow());
        dialog.setWindowTitle(title);
        dialog.setLabelText(prompt);
        for (QLabel *label : dialog.findChildren<QLabel *>())
            label->setTextFormat(Qt::PlainText);
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextValue(initial);
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (answer)
            *answer = accepted ? dialog.textValue() : QString();
        return accepted;
    }
};

}  // namespace

Dialogs &systemDialogs()
{
    static SystemDialogs dialogs;
    return dialogs;
}

}  // namespace platform
