#include "shell/core/addfilestool.h"

#include "platform/filecopy.h"

AddFilesTool::AddFilesTool(const QString &programFolder, const QString &title,
                           platform::Dialogs &dialogs, QObject *parent)
    : QObject(parent), m_programFolder(programFolder), m_title(title), m_dialogs(dialogs)
{
    m_request.name = QStringLiteral("dlgFiles");
    m_request.folder = programFolder;
    m_request.filters = QStringList{QStringLiteral("Text Files (*.txt)"),
                                    QStringLiteral("All Files (*.*)")};
    m_request.shownFilter = 1;
    m_request.severalFiles = true;
}

QString AddFilesTool::presentationsFolder() const
{
    return m_programFolder + QStringLiteral("/powerpoint.files/");
}

void AddFilesTool::getem()
{
    const platform::OpenFilesOutcome outcome = m_dialogs.openFiles(m_request);
    switch (outcome.kind) {
    case platform::OpenFilesOutcome::Kind::Cancelled:
        return;
    case platform::OpenFilesOutcome::Kind::Failed:
        m_dialogs.messageBox(m_title, QStringLiteral("Error ") + QString::number(outcome.errorNumber) +
                                          QStringLiteral(" selecting files.\r\n") + outcome.errorText);
        return;
    case platform::OpenFilesOutcome::Kind::Chosen:
        for (const QString &path : outcome.files)
            copyIn(path);
        return;
    }
}

void AddFilesTool::copyIn(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.isEmpty())
        return;
    const QString line = QStringLiteral("copied ") + name + QStringLiteral(" to ") + presentationsFolder();
    m_statusLines.append(line);
    emit statusLineAdded(line);
    // Silent on failure, as the tool always was; the temporary-file copy leaves an
    // existing presentation whole, and a file chosen from the presentation
    // folder itself is left as it is.
    platform::copyFileAtomically(path, presentationsFolder() + name);
}
