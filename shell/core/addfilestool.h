#pragma once
// The add-files tool's logic, shared by the shell's add-files window and the
// stand-alone program tributa: the open-file dialog, and `getem`, which copies
// every chosen file into the program's presentation folder under its own name and
// adds a status line for it.
#include "platform/dialogs.h"

#include <QObject>
#include <QString>
#include <QStringList>

class AddFilesTool : public QObject {
    Q_OBJECT
public:
    // programFolder: the folder of the running program, whose powerpoint.files
    // receives the files; title: the program's title, for its messages
    // ("Korvane Tessaly" in TS, "tributa" in the stand-alone program).
    AddFilesTool(const QString &programFolder, const QString &title, platform::Dialogs &dialogs,
                 QObject *parent = nullptr);

    static QString caption() { return QStringLiteral("Add files to tessaly"); }

    // The program folder + "/powerpoint.files/", as the status lines name it.
    QString presentationsFolder() const;
    // How the open-file dialog is set up: several files, existing files only, the
    // program folder first, "All Files (*.*)" shown first.
    const platform::OpenFilesRequest &dialogSetup() const { return m_request; }

    // Shows the dialog and copies what was chosen. Cancel does nothing; a dialog
    // that fails is told in a message box. A copy that fails (no presentation
    // folder, a read-only file, the file chosen from the presentation folder
    // itself) is passed over in silence and its status line stands; a copy never
    // leaves a half-written file behind.
    void getem();

    QStringList statusLines() const { return m_statusLines; }

signals:
    void statusLineAdded(const QString &line);

private:
    void copyIn(const QString &path);

    QString m_programFolder;
    QString m_title;
    platform::Dialogs &m_dialogs;
    platform::OpenFilesRequest m_request;
    QStringList m_statusLines;
};
