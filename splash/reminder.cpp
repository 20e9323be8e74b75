#include "splash/reminder.h"

#include "splash/core/splash.h"
#include "platform/twips.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

// The picture lives in the resources of a static library, which the program that
// links it must register (Q_INIT_RESOURCE cannot stand in a namespace).
static void registerSplashResources() { Q_INIT_RESOURCE(splash); }

namespace splash {
namespace {

constexpr int kClientWidth = 5100;   // twips
constexpr int kClientHeight = 3465;  // twips

}  // namespace

Reminder::Reminder(platform::WindowServices &windows, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_windows(windows),
      m_endProgram([] { QApplication::quit(); })
{
    registerSplashResources();
    m_picture = QPixmap(QStringLiteral(":/splash/splash.png"));
    setObjectName(QStringLiteral("reminder"));
    setWindowTitle(Splash::caption());
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(platform::twipsToPixelsX(kClientWidth), platform::twipsToPixelsY(kClientHeight));

    m_Command1 = new QPushButton(QStringLiteral("x"), this);
    m_Command1->setObjectName(QStringLiteral("Command1"));
    m_Command1->setFont(QFont(QStringLiteral("Tahoma"), 8));
    platform::placeInTwips(m_Command1, 4680, 120, 255, 255);
    connect(m_Command1, &QPushButton::clicked, this, [this] { m_endProgram(); });

    m_Timer1.setObjectName(QStringLiteral("Timer1"));
    m_Timer1.setInterval(Splash::kEndAfterMilliseconds);
    m_Timer1.setSingleShot(true);
    connect(&m_Timer1, &QTimer::timeout, this, [this] { m_endProgram(); });
    m_Timer2.setObjectName(QStringLiteral("Timer2"));
    m_Timer2.setInterval(Splash::kKeepOnTopMilliseconds);
    connect(&m_Timer2, &QTimer::timeout, this, [this] { keepOnTop(); });
}

void Reminder::showCentred()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect place(QPoint(0, 0), size());
        place.moveCenter(screen->geometry().center());
        move(place.topLeft());
    }
    show();
    m_Timer1.start();
    m_Timer2.start();
}

void Reminder::keepOnTop()
{
    // Raised without being activated: the shell keeps the keyboard. The window
    // stays in the always-on-top band by its flag; a desktop without a window
    // manager knows no band, and the raise alone keeps it above the shell.
    m_windows.raiseWindow(winId());
}

void Reminder::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

}  // namespace splash
