#include "shell/window/addfileswindow.h"

#include "shell/window/looks.h"
#include "shell/window/twipsrect.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

using looks::tahoma;

AddFilesWindow::AddFilesWindow(const QString &programFolder, const QString &title,
                               platform::Dialogs &dialogs, DoneButton done, QWidget *parent)
    // The always-on-top band: the window stays above the full-screen show.
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint),
      m_tool(programFolder, title, dialogs)
{
    setObjectName(QStringLiteral("addFiles"));
    setWindowTitle(AddFilesTool::caption());
    resize(twipsRect(0, 0, 9225, 3195).size());

    m_select = new QPushButton(QStringLiteral("select files to add"), this);
    m_select->setObjectName(QStringLiteral("Command1"));
    m_select->setFont(tahoma());
    placeInTwips(m_select, 120, 120, 1455, 375);
    connect(m_select, &QPushButton::clicked, this, &AddFilesWindow::getem);

    m_label = new QLabel(QStringLiteral("status..."), this);
    m_label->setObjectName(QStringLiteral("Label1"));
    m_label->setFont(tahoma());
    placeInTwips(m_label, 120, 600, 1455, 255);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("List1"));
    m_list->setAccessibleName(QStringLiteral("status..."));
    m_list->setFont(tahoma());
    placeInTwips(m_list, 120, listTopTwips, 8985, 2115);
    connect(&m_tool, &AddFilesTool::statusLineAdded, m_list, [this](const QString &line) {
        m_list->addItem(line);
        m_list->scrollToBottom();
    });

    if (done == DoneButton::With) {
        m_done = new QPushButton(QStringLiteral("done"), this);
        m_done->setObjectName(QStringLiteral("Command2"));
        m_done->setFont(tahoma());
        placeInTwips(m_done, 8400, 120, 735, 375);
        connect(m_done, &QPushButton::clicked, this, &AddFilesWindow::doneClicked);
    }

    m_lastFocused = QGuiApplication::focusWindow();
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &AddFilesWindow::focusWindowChanged);
}

void AddFilesWindow::focusWindowChanged(QWindow *window)
{
    // Focus leaving for another program, and the dialog's own windows, are not
    // activations of this window.
    if (!window || m_inGetem)
        return;
    const bool backFromGetem = m_backFromGetem;
    m_backFromGetem = false;
    QWindow *previous = m_lastFocused;
    m_lastFocused = window;
    if (window != windowHandle() || backFromGetem || previous == window)
        return;
    queueGetem();
}

void AddFilesWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Opening the window opens the dialog, whether or not the desktop gives the
    // new window the focus; the activation that may follow finds it under way.
    if (!event->spontaneous())
        queueGetem();
}

void AddFilesWindow::queueGetem()
{
    if (m_getemQueued || m_inGetem)
        return;
    m_getemQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_getemQueued = false;
        if (isVisible())
            getem();
    });
}

void AddFilesWindow::getem()
{
    if (m_inGetem)
        return;
    m_inGetem = true;
    setCursor(Qt::WaitCursor);
    m_tool.getem();
    unsetCursor();
    m_inGetem = false;
    m_backFromGetem = true;
}

void AddFilesWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int top = platform::twipsToPixelsY(listTopTwips);
    const int minimum = platform::twipsToPixelsY(listMinimumHeightTwips);
    m_list->setGeometry(0, top, width(), std::max(height() - top, minimum));
}
