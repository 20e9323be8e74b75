#include "shell/window/noteoverlay.h"

#include "shell/window/looks.h"

NoteOverlay::NoteOverlay(QWidget *parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("note"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setMargin(16);
    setFont(looks::tahoma(11));
    setStyleSheet(QStringLiteral("QLabel { background-color: %1; color: white; border: 2px solid %2; }")
                      .arg(looks::darkBlue().name(), looks::panelGrey().name()));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(showTime);
    connect(&m_closeTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void NoteOverlay::showNote(const QString &text)
{
    setText(text);
    recentre();
    show();
    raise();
    m_closeTimer.start();
}

void NoteOverlay::recentre()
{
    const QWidget *host = parentWidget();
    const int width = qMin(520, qMax(200, host->width() - 40));
    const int height = heightForWidth(width) > 0 ? heightForWidth(width) : 120;
    setGeometry((host->width() - width) / 2, (host->height() - height) / 3, width, height);
}
