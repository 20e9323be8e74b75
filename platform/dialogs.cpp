#include "platform/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QWidget>

namespace platform {
namespace {

// "*.*" is the way of saying "every file" that filters such as "All Files (*.*)"
// come with; taken as a pattern it would hide every name without a dot, and
// many files here have none. The dialog's name matching gets "*" in its place
// each time such a filter is applied (the caption stays as it is).
void matchEveryFileForStarDotStar(QFileDialog *dialog)
{
    auto *files = dialog->findChild<QFileSystemModel *>();
    if (!files)
        return;
    QStringList patterns = files->nameFilters();
    const qsizetype everyFile = patterns.indexOf(QStringLiteral("*.*"));
    if (everyFile < 0)
        return;
    patterns[everyFile] = QStringLiteral("*");
    files->setNameFilters(patterns);
}

// Boxes belong to the active window, and stay on top: the programs' own windows
// cover the screen or stay on top themselves, and a box hidden behind them would
// hold the program with nothing to click.
class SystemDialogs : public Dialogs {
public:
    MessageResult messageBox(const QString &title, const QString &text,
                             MessageButtons buttons) override
    {
        return show(title, text, buttons, QMessageBox::NoIcon);
    }

    void errorBox(const QString &title, const QString &text) override
    {
        show(title, text, MessageButtons::Ok, QMessageBox::Critical);
    }

    MessageResult show(const QString &title, const QString &text, MessageButtons buttons,
                       QMessageBox::Icon icon)
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(title);
        // Shown as it is written: a text with "<" in it is no markup (a script's
        // message, a note, a file name).
        box.setTextFormat(Qt::PlainText);
        // Lines broken by CR LF or CR, as texts of the original platform are, break
        // here too.
        box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
                        .replace(QLatin1Char('\r'), QLatin1Char('\n')));
        box.setIcon(icon);
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

    OpenFilesOutcome openFiles(const OpenFilesRequest &request) override
    {
        OpenFilesOutcome outcome;
        QFileDialog dialog(QApplication::activeWindow(), request.title);
        dialog.setObjectName(request.name);
        // Qt's own dialog everywhere: it shows each filter's caption as given
        // (a desktop's dialog may drop the patterns from it), and its name
        // matching can be told what "*.*" means (below).
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.severalFiles ? QFileDialog::ExistingFiles
                                                : QFileDialog::ExistingFile);
        dialog.setDirectory(request.folder);
        dialog.setNameFilters(request.filters);
        if (request.shownFilter >= 0 && request.shownFilter < request.filters.size())
            dialog.selectNameFilter(request.filters.at(request.shownFilter));
        matchEveryFileForStarDotStar(&dialog);
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog]() { matchEveryFileForStarDotStar(&dialog); });
        if (dialog.exec() != QDialog::Accepted)
            return outcome;
        outcome.kind = OpenFilesOutcome::Kind::Chosen;
        outcome.files = dialog.selectedFiles();
        return outcome;
    }
};

}  // namespace

Dialogs &systemDialogs()
{
    static SystemDialogs dialogs;
    return dialogs;
}

}  // namespace platform
