#pragma once
// The launch window: one button `cmd`(i) and one label `Label`(i) per script entry,
// the web-site button `Command1`, the timer list `List1` with `Label1`, and the
// never-shown on-close list `List2` with `Label2`. It stays on top of other windows.
// Every decision is the runner's; the window only places and shows.
#include "launch/core/launchview.h"

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace launch {

class LaunchRunner;

class LaunchWindow : public QWidget, public LaunchView {
    Q_OBJECT

public:
    explicit LaunchWindow(QWidget *parent = nullptr);

    // The runner whose entries the buttons run; set before the script is loaded.
    void setRunner(LaunchRunner *runner) { m_runner = runner; }

    // LaunchView
    void setCaption(const QString &caption) override;
    void setPicture(const QString &path) override;
    void addEntry(const EntryControls &controls) override;
    void setEntryButtonVisible(int entry, bool visible) override;
    void setWindowHeight(int twips) override;
    void addTimerItem(const QString &item) override;
    void addOnCloseItem(const QString &item) override;
    void startTimer1(int milliseconds) override;
    void moveWindow(int top, int left) override;
    void minimise() override;
    void restore() override;
    void maximise() override;
    void processPendingEvents() override;
    void quit() override;

    QPushButton *cmd(int entry) const { return m_cmd.value(entry); }
    QLabel *Label(int entry) const { return m_Label.value(entry); }
    QPushButton *Command1() const { return m_Command1; }
    QLabel *Label1() const { return m_Label1; }
    QListWidget *List1() const { return m_List1; }
    QLabel *Label2() const { return m_Label2; }
    QListWidget *List2() const { return m_List2; }
    QTimer *Timer1() { return &m_Timer1; }
    const QPixmap &picture() const { return m_picture; }

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setupControls();
    QPushButton *copyOfFirstButton(int entry);
    QLabel *copyOfFirstLabel(int entry);
    QLabel *addListHeading(const QString &name, const QString &text, int topTwips);
    QListWidget *addList(const QString &name, int topTwips);
    void placeTwips(QWidget *widget, const QRect &twips);
    void applyPicture(QPushButton *button);
    void entryClicked(int entry);

    LaunchRunner *m_runner = nullptr;
    QList<QPushButton *> m_cmd;
    QList<QLabel *> m_Label;
    QPushButton *m_Command1 = nullptr;
    QLabel *m_Label1 = nullptr;
    QListWidget *m_List1 = nullptr;
    QLabel *m_Label2 = nullptr;
    QListWidget *m_List2 = nullptr;
    QTimer m_Timer1;
    QPixmap m_picture;
    bool m_quitting = false;
    bool m_closing = false;
};

}  // namespace launch
