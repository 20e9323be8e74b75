#include "shell/window/frmmain.h"

#include "shell/window/looks.h"
#include "shell/window/twipsrect.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

const QSize pictureSize(96, 54);

using looks::tahoma;

}  // namespace

FrmMain::FrmMain(DesignChooser *chooser, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      m_chooser(chooser),
      m_stills(pictureSize)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("View configuration"));
    setFixedSize(twipsRect(0, 0, widthTwips, heightTwips).size());
    setAutoFillBackground(true);

    m_title = new QLabel(QStringLiteral(" Change design"), this);
    m_title->setObjectName(QStringLiteral("titleStrip"));
    looks::makeTitleStrip(m_title);
    placeInTwips(m_title, 0, 0, widthTwips, 615);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("Command1"));
    m_ok->setFont(tahoma());
    placeInTwips(m_ok, 7200, 120, 615, 375);
    connect(m_ok, &QPushButton::clicked, this, &QWidget::hide);

    m_styles = addList(DesignList::Styles, QStringLiteral("lv1"),
                       QStringLiteral("foreground style (double click to choose)"), 120);
    m_backgrounds = addList(DesignList::Backgrounds, QStringLiteral("lvw"),
                            QStringLiteral("background image (double click to choose)"), 4080);

    m_pictureTimer.setInterval(0);
    connect(&m_pictureTimer, &QTimer::timeout, this, &FrmMain::makeNextPicture);
    connect(chooser, &DesignChooser::listChanged, this, &FrmMain::showList);
    showList(DesignList::Styles);
    showList(DesignList::Backgrounds);
}

QListWidget *FrmMain::addList(DesignList list, const QString &name, const QString &heading, int left)
{
    auto *label = new QLabel(heading, this);
    label->setObjectName(name + QStringLiteral("Heading"));
    label->setFont(tahoma());
    placeInTwips(label, left, 630, 3735, 210);

    auto *widget = new QListWidget(this);
    widget->setObjectName(name);
    widget->setAccessibleName(heading);
    widget->setFont(tahoma());
    // Large icons: a picture of each file above its name.
    widget->setViewMode(QListView::IconMode);
    widget->setMovement(QListView::Static);
    widget->setResizeMode(QListView::Adjust);
    widget->setWrapping(true);
    widget->setWordWrap(true);
    widget->setIconSize(pictureSize);
    widget->setGridSize(QSize(pictureSize.width() + 16, pictureSize.height() + 40));
    widget->setSelectionMode(QAbstractItemView::SingleSelection);
    placeInTwips(widget, left, 840, 3735, 6615);
    connect(widget, &QListWidget::itemDoubleClicked, this, [this, list, widget](QListWidgetItem *item) {
        m_chooser->entryDoubleClicked(list, widget->row(item));
    });
    widget->installEventFilter(this);
    return widget;
}

QListWidget *FrmMain::listWidget(DesignList list) const
{
    return list == DesignList::Styles ? m_styles : m_backgrounds;
}

bool FrmMain::eventFilter(QObject *watched, QEvent *event)
{
    // Enter on an entry chooses it, as a double click does.
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const DesignList list = watched == m_styles ? DesignList::Styles : DesignList::Backgrounds;
            const int row = listWidget(list)->currentRow();
            if (row >= 0) {
                m_chooser->entryDoubleClicked(list, row);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Centred on the screen of the window it belongs to.
    const QWidget *owner = parentWidget();
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect place = rect();
        place.moveCenter(screen->geometry().center());
        move(place.topLeft());
    }
}

void FrmMain::showList(DesignList list)
{
    QListWidget *widget = listWidget(list);
    widget->clear();
    m_pending.erase(std::remove_if(m_pending.begin(), m_pending.end(),
                                   [list](const Pending &p) { return p.list == list; }),
                    m_pending.end());
    QFileIconProvider icons;
    const QList<DesignEntry> &entries = m_chooser->entries(list);
    for (int row = 0; row < entries.size(); ++row) {
        const DesignEntry &entry = entries.at(row);
        auto *item = new QListWidgetItem(entry.text, widget);
        item->setToolTip(entry.key);
        if (!entry.isFile()) {
            item->setIcon(icons.icon(QFileIconProvider::Drive));
            continue;
        }
        // The file's icon until its picture is made.
        item->setIcon(icons.icon(QFileIconProvider::File));
        m_pending.append({list, row, entry.key});
    }
    if (!m_pending.isEmpty())
        m_pictureTimer.start();
}

void FrmMain::makeNextPicture()
{
    if (m_pending.isEmpty()) {
        m_pictureTimer.stop();
        return;
    }
    const Pending next = m_pending.takeFirst();
    const QIcon picture = pictureOf(next.key);
    QListWidgetItem *item = listWidget(next.list)->item(next.row);
    if (item && item->toolTip() == next.key && !picture.isNull())
        item->setIcon(picture);
    if (m_pending.isEmpty())
        m_pictureTimer.stop();
}

void FrmMain::makePictures()
{
    while (!m_pending.isEmpty())
        makeNextPicture();
}

QIcon FrmMain::pictureOf(const QString &path)
{
    const QFileInfo info(path);
    const auto known = m_pictures.constFind(path);
    if (known != m_pictures.constEnd() && known->modified == info.lastModified() &&
        known->size == info.size())
        return known->icon;
    // What the movie control would show; anything else keeps the file's icon.
    const QImage still = m_stills.still(path);
    QIcon icon;
    if (!still.isNull()) {
        // Centred on a frame of the list's picture size, so that every name
        // stands at the same height.
        QPixmap framed(pictureSize);
        framed.fill(Qt::transparent);
        QPainter painter(&framed);
        painter.drawImage((pictureSize.width() - still.width()) / 2,
                          (pictureSize.height() - still.height()) / 2, still);
        painter.end();
        icon = QIcon(framed);
    }
    m_pictures.insert(path, {info.lastModified(), info.size(), icon});
    return icon;
}
