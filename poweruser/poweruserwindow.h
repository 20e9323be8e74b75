#pragma once
// The window "Tessaly - PowerUser": four buttons in a row, the "Backup" panel with
// its status text, the "Restore" panel with the folder list of backup sets, and the
// help text. Every decision is PowerUser's; the window places and shows.
#include "poweruser/core/poweruser.h"
#include "poweruser/core/poweruserview.h"

#include <QWidget>

#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace poweruser {

class FolderList;

class PowerUserWindow : public QWidget, public PowerUserView {
    Q_OBJECT
public:
    PowerUserWindow(const QString &installationFolder, PowerUser::Services services,
                    QWidget *parent = nullptr);
    ~PowerUserWindow() override;

    // What "quit" does; by default the application ends.
    void setEndProgram(std::function<void()> end) { m_endProgram = std::move(end); }

    PowerUser &logic() { return *m_logic; }

    // PowerUserView
    void showFolder(const QString &folder) override;
    void setStatusText(const QString &text) override;

    QPushButton *startTessalyButton() const { return m_Command2; }
    QPushButton *backupRestoreButton() const { return m_Command5; }
    QPushButton *openPowerpointButton() const { return m_Command3; }
    QPushButton *quitButton() const { return m_Command4; }
    QPushButton *saveButton() const { return m_Command1; }
    QGroupBox *backupPanel() const { return m_Frame1; }
    QGroupBox *restorePanel() const { return m_Frame2; }
    QPlainTextEdit *statusText() const { return m_backuptext; }
    QLabel *restoreLabel() const { return m_Label1; }
    FolderList *folderList() const { return m_Dir1; }
    QPlainTextEdit *helpText() const { return m_Text1; }

private:
    void setupControls();
    QPushButton *addButton(QWidget *parent, const char *name, const QString &text, int left,
                           int top, int width, int height);
    QPlainTextEdit *addTextBox(QWidget *parent, const char *name, const QStringList &lines,
                               int left, int top, int width, int height);
    void toggleBackupRestore();

    std::unique_ptr<PowerUser> m_logic;
    std::function<void()> m_endProgram;
    QPushButton *m_Command2 = nullptr;
    QPushButton *m_Command5 = nullptr;
    QPushButton *m_Command3 = nullptr;
    QPushButton *m_Command4 = nullptr;
    QGroupBox *m_Frame1 = nullptr;
    QPushButton *m_Command1 = nullptr;
    QPlainTextEdit *m_backuptext = nullptr;
    QGroupBox *m_Frame2 = nullptr;
    QLabel *m_Label1 = nullptr;
    FolderList *m_Dir1 = nullptr;
    QPlainTextEdit *m_Text1 = nullptr;
};

}  // namespace poweruser
