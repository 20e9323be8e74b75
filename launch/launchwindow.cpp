#include "launch/launchwindow.h"

#include "launch/core/entrylayout.h"
#include "launch/core/launchrunner.h"
#include "platform/twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

namespace launch {

namespace {

QFont tahoma(double points)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(points);
    return font;
}

// Text RGB(0,0,192) on RGB(192,192,255), as both lists show.
void colourList(QListWidget *list)
{
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 192));
    palette.setColor(QPalette::Base, QColor(192, 192, 255));
    list->setPalette(palette);
}

}  // namespace

LaunchWindow::LaunchWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setupControls();
    m_Timer1.setInterval(100);
    connect(&m_Timer1, &QTimer::timeout, this, [this] {
        if (m_runner)
            m_runner->Timer1();
    });
}

void LaunchWindow::setupControls()
{
    QPushButton *first = new QPushButton(QStringLiteral("step1"), this);
    first->setObjectName(QStringLiteral("cmd(0)"));
    first->setFont(tahoma(9.75));
    placeTwips(first, QRect(EntryLayout::buttonLeft, EntryLayout::buttonTop,
                            EntryLayout::buttonWidth, EntryLayout::buttonHeight));
    first->hide();
    connect(first, &QPushButton::clicked, this, [this] { entryClicked(0); });
    m_cmd.append(first);

    QLabel *firstLabel = new QLabel(QStringLiteral("launch stuff"), this);
    firstLabel->setObjectName(QStringLiteral("Label(0)"));
    firstLabel->setFont(tahoma(8.25));
    placeTwips(firstLabel, QRect(120, EntryLayout::firstLabelTop, EntryLayout::labelWidth,
                                 EntryLayout::labelHeight));
    firstLabel->hide();
    m_Label.append(firstLabel);

    m_Command1 = new QPushButton(QStringLiteral("w"), this);
    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setToolTip(QStringLiteral("korvane website"));
    m_Command1->setFont(tahoma(9.75));
    placeTwips(m_Command1, EntryLayout::websiteButton());
    connect(m_Command1, &QPushButton::clicked, this, [this] {
        if (m_runner)
            m_runner->openWebsite();
    });

    // The timer list and the on-close list, each under its heading; both start hidden.
    m_Label1 = addListHeading(QStringLiteral("Label1"), QStringLiteral("timer list"), 480);
    m_List1 = addList(QStringLiteral("List1"), 720);
    m_Label2 = addListHeading(QStringLiteral("Label2"), QStringLiteral("on close"), 1440);
    m_List2 = addList(QStringLiteral("List2"), 1680);

    resize(platform::twipsToPixelsX(EntryLayout::clientWidth),
           platform::twipsToPixelsY(EntryLayout::windowHeight(1)));
}

QLabel *LaunchWindow::addListHeading(const QString &name, const QString &text, int topTwips)
{
    QLabel *label = new QLabel(text, this);
    label->setObjectName(name);
    label->setFont(tahoma(8.25));
    placeTwips(label, QRect(8160, topTwips, 735, 255));
    label->hide();
    return label;
}

QListWidget *LaunchWindow::addList(const QString &name, int topTwips)
{
    QListWidget *list = new QListWidget(this);
    list->setObjectName(name);
    placeTwips(list, QRect(8160, topTwips, 975, 615));
    colourList(list);
    list->hide();
    return list;
}

void LaunchWindow::placeTwips(QWidget *widget, const QRect &twips)
{
    widget->setGeometry(platform::twipsToPixelsX(twips.left()), platform::twipsToPixelsY(twips.top()),
                        platform::twipsToPixelsX(twips.width()),
                        platform::twipsToPixelsY(twips.height()));
}

void LaunchWindow::applyPicture(QPushButton *button)
{
    if (m_picture.isNull())
        return;
    QPalette palette = button->palette();
    palette.setBrush(QPalette::Button, QBrush(m_picture));
    button->setPalette(palette);
}

void LaunchWindow::setCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void LaunchWindow::setPicture(const QString &path)
{
    QPixmap picture;
    if (!picture.load(path))
        return;  // an unreadable picture leaves the window without one
    m_picture = picture;
    for (QPushButton *button : std::as_const(m_cmd))
        applyPicture(button);
    update();
}

QPushButton *LaunchWindow::copyOfFirstButton(int entry)
{
    QPushButton *first = m_cmd.first();
    QPushButton *button = new QPushButton(first->text(), this);
    button->setObjectName(QStringLiteral("cmd(%1)").arg(entry));
    button->setFont(first->font());
    button->setPalette(first->palette());
    button->resize(first->size());
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, entry] { entryClicked(entry); });
    return button;
}

QLabel *LaunchWindow::copyOfFirstLabel(int entry)
{
    QLabel *first = m_Label.first();
    QLabel *label = new QLabel(first->text(), this);
    label->setObjectName(QStringLiteral("Label(%1)").arg(entry));
    label->setFont(first->font());
    label->resize(first->size());
    label->hide();
    return label;
}

void LaunchWindow::addEntry(const EntryControls &controls)
{
    const int entry = controls.entry;
    // Entries come in order; `cmd`(0) and `Label`(0) exist from the start.
    while (m_cmd.size() <= entry) {
        const int next = static_cast<int>(m_cmd.size());
        m_cmd.append(copyOfFirstButton(next));
        m_Label.append(copyOfFirstLabel(next));
    }
    QPushButton *button = m_cmd.at(entry);
    QLabel *label = m_Label.at(entry);
    placeTwips(button, controls.geometry.button);
    placeTwips(label, controls.geometry.label);
    button->setText(controls.buttonCaption);
    button->setToolTip(controls.buttonToolTip);
    label->setText(controls.labelCaption);
    label->setToolTip(controls.labelToolTip);
    button->setVisible(controls.geometry.buttonVisible);
    label->setVisible(controls.geometry.labelVisible);
}

void LaunchWindow::setEntryButtonVisible(int entry, bool visible)
{
    if (QPushButton *button = m_cmd.value(entry))
        button->setVisible(visible);
}

void LaunchWindow::setWindowHeight(int twips)
{
    resize(platform::twipsToPixelsX(EntryLayout::clientWidth), platform::twipsToPixelsY(twips));
}

void LaunchWindow::addTimerItem(const QString &item)
{
    m_List1->addItem(item);
    m_Label1->show();
    m_List1->show();
}

void LaunchWindow::addOnCloseItem(const QString &item)
{
    m_List2->addItem(item);
}

void LaunchWindow::startTimer1(int milliseconds)
{
    m_Timer1.start(milliseconds);
}

void LaunchWindow::moveWindow(int top, int left)
{
    move(left, top);
}

void LaunchWindow::minimise()
{
    setWindowState((windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen)) |
                   Qt::WindowMinimized);
}

void LaunchWindow::restore()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized |
                                     Qt::WindowFullScreen));
}

void LaunchWindow::maximise()
{
    setWindowState((windowState() & ~(Qt::WindowMinimized | Qt::WindowFullScreen)) |
                   Qt::WindowMaximized);
}

void LaunchWindow::processPendingEvents()
{
    QCoreApplication::processEvents();
}

void LaunchWindow::quit()
{
    m_quitting = true;
    m_Timer1.stop();
    QCoreApplication::exit(0);
}

void LaunchWindow::entryClicked(int entry)
{
    if (m_runner)
        m_runner->execute(entry);
}

bool LaunchWindow::event(QEvent *event)
{
    // Each activation puts the window back in the topmost band.
    if (event->type() == QEvent::WindowActivate) {
        if (!(windowFlags() & Qt::WindowStaysOnTopHint)) {
            setWindowFlag(Qt::WindowStaysOnTopHint, true);
            show();
        }
        raise();
    }
    return QWidget::event(event);
}

void LaunchWindow::closeEvent(QCloseEvent *event)
{
    // Closed by the user: the on-close entries run. An end by "[end]" skips them.
    // A second close request while they run (they may let events through) does not
    // run them again.
    if (!m_quitting && !m_closing && m_runner) {
        m_closing = true;
        m_runner->closing();
    }
    event->accept();
}

void LaunchWindow::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

}  // namespace launch
