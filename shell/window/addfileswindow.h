#pragma once
// The add-files window, in TS behind "add files" and as the stand-alone program
// tributa (which adds "done"): "select files to add", the label "status..." and
// the status list List1. It stays on top. It opens the dialog (getem) when it is
// shown, and every time it becomes the program's active window coming from
// another of the program's windows. Closing the dialog, or a message box of
// getem, is no such activation: the dialog never reopens by itself.
#include "shell/core/addfilestool.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QWindow;

class AddFilesWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int listTopTwips = 960;
    static constexpr int listMinimumHeightTwips = 120;

    enum class DoneButton { Without, With };

    // programFolder: the folder whose powerpoint.files receives the files; title:
    // the program's title for messages. tributa has the "done" button.
    AddFilesWindow(const QString &programFolder, const QString &title, platform::Dialogs &dialogs,
                   DoneButton done = DoneButton::Without, QWidget *parent = nullptr);

    AddFilesTool *tool() { return &m_tool; }
    QPushButton *selectButton() const { return m_select; }   // Command1
    QPushButton *doneButton() const { return m_done; }       // Command2 (tributa)
    QLabel *statusLabel() const { return m_label; }          // Label1
    QListWidget *statusList() const { return m_list; }       // List1

    // Shows the dialog and copies what was chosen, with the hourglass pointer.
    void getem();

signals:
    void doneClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void focusWindowChanged(QWindow *window);
    // Runs getem once the current event is handled (not inside a focus change).
    void queueGetem();

    AddFilesTool m_tool;
    QPushButton *m_select = nullptr;
    QPushButton *m_done = nullptr;
    QLabel *m_label = nullptr;
    QListWidget *m_list = nullptr;
    bool m_inGetem = false;
    bool m_getemQueued = false;
    bool m_backFromGetem = false;     // the next window to get the focus comes back from getem
    QPointer<QWindow> m_lastFocused;  // the program's last window with the focus
};
