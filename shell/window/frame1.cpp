#include "shell/window/frame1.h"

#include "shell/window/looks.h"
#include "shell/window/twipsrect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {

using looks::darkBlue;
using looks::panelGrey;
using looks::tahoma;

// The exit buttons are red.
void paintRed(QPushButton *button)
{
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: #C00000; color: white; }"));
}

// The two logo images of the panel, drawn here so that the suite carries no
// picture files of its own for them.
QPixmap logoPixmap(const QSize &size, const QString &text, bool inverse)
{
    QPixmap pixmap(size);
    pixmap.fill(inverse ? darkBlue() : panelGrey());
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xE0, 0x8A, 0x1E));
    const int d = size.height() - 8;
    painter.drawEllipse(QRect(4, 4, d, d));
    painter.setPen(inverse ? QColor(Qt::white) : darkBlue());
    painter.setFont(tahoma(inverse ? 8 : 14, true));
    painter.drawText(QRect(d + 12, 0, size.width() - d - 12, size.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text);
    return pixmap;
}

}  // namespace

Frame1::Frame1(Edition edition, QWidget *parent) : QFrame(parent), m_edition(edition)
{
    setObjectName(QStringLiteral("Frame1"));
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, edition == Edition::Player ? darkBlue() : panelGrey());
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setFont(tahoma());
    // Movement over the panel does not reach the main window's surface.
    setAttribute(Qt::WA_NoMousePropagation);
    resize(twipsRect(0, 0, createdWidth, createdHeight).size());
    if (edition == Edition::Player)
        buildPlayerPanel();
    else
        buildFullPanel();
}

QAbstractButton *Frame1::button(const QString &name) const
{
    return findChild<QAbstractButton *>(name);
}

QPushButton *Frame1::addButton(const QString &name, const QString &caption, int left, int top,
                               int width, int height, const QString &toolTip)
{
    auto *button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setFont(tahoma());
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);
    placeInTwips(button, left, top, width, height);
    return button;
}

QLabel *Frame1::addLabel(const QString &name, const QString &caption, int left, int top,
                         int width, int height)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    label->setFont(tahoma());
    placeInTwips(label, left, top, width, height);
    return label;
}

QLabel *Frame1::addTitleStrip(const QString &name, const QString &caption, int top)
{
    QLabel *strip = addLabel(name, caption, 0, top, createdWidth, 255);
    looks::makeTitleStrip(strip);
    m_titleStrips << strip;
    return strip;
}

void Frame1::addGroup(const QString &title, int left, int top, int width, int height)
{
    auto *group = new QGroupBox(title, this);
    group->setObjectName(QStringLiteral("group ") + title);
    group->setFont(tahoma());
    // The panel's white text would vanish on its light background: the group
    // titles, like "next:", are written in the title strips' dark blue.
    QPalette colours = group->palette();
    colours.setColor(QPalette::WindowText, darkBlue());
    group->setPalette(colours);
    placeInTwips(group, left, top, width, height);
    group->lower();
}

void Frame1::buildFullPanel()
{
    addTitleStrip(QStringLiteral("mainMenuTitle"),
                  QStringLiteral(" Korvane Tessaly - Main Menu  esc key to show / hide menus"), 0);
    addTitleStrip(QStringLiteral("playMenuTitle"),
                  QStringLiteral(" Korvane Tessaly - Play Menu   esc key to show / hide menu"), 2475);

    addGroup(QStringLiteral("presentation"), 2880, 360, 1695, 2055);
    addGroup(QStringLiteral("home page"), 4800, 360, 3015, 2055);
    addGroup(QStringLiteral("text"), 4920, 1080, 1335, 1215);
    addGroup(QStringLiteral("design"), 6360, 1080, 1335, 1215);
    addGroup(QStringLiteral("browse folders"), 7920, 360, 1695, 2055);
    addGroup(QStringLiteral("utility"), 9720, 360, 1455, 2055);

    auto *logo1 = addLabel(QStringLiteral("logo1"), QString(), 120, 480, 2640, 795);
    logo1->setPixmap(logoPixmap(logo1->size(), QStringLiteral("Tessaly"), false));
    QPushButton *logo2 = addButton(QStringLiteral("logo2"), QString(), 120, 1440, 2640, 495);
    logo2->setFlat(true);
    logo2->setIcon(QIcon(logoPixmap(logo2->size(), QStringLiteral("korvane"), true)));
    logo2->setIconSize(logo2->size());
    logo2->setCursor(Qt::PointingHandCursor);

    addButton(QStringLiteral("addFiles"), QStringLiteral("add files"), 3000, 840, 1455, 315,
              QStringLiteral("add powerpoint files to your playlist"));
    addButton(QStringLiteral("editPlaylist"), QStringLiteral("edit playlist"), 3000, 1320, 1455, 315,
              QStringLiteral("arrange powerpoint files in a playlist"));
    addButton(QStringLiteral("zandro"), QStringLiteral("zandro"), 3000, 1800, 1455, 315,
              QStringLiteral("export your playlist for stand alone use"));
    addButton(QStringLiteral("editText"), QStringLiteral("edit text"), 5040, 1320, 1095, 315);
    addButton(QStringLiteral("saveText"), QStringLiteral("save text"), 5040, 1800, 1095, 315);
    addButton(QStringLiteral("change"), QStringLiteral("change"), 6480, 1320, 1095, 300);
    addButton(QStringLiteral("presentation"), QStringLiteral("presentation"), 8040, 840, 1455, 315);
    addButton(QStringLiteral("foregrounds"), QStringLiteral("foregrounds"), 8040, 1320, 1455, 315);
    addButton(QStringLiteral("backgrounds"), QStringLiteral("backgrounds"), 8040, 1800, 1455, 315);
    addButton(QStringLiteral("help"), QStringLiteral("help"), 9840, 720, 1215, 315);
    addButton(QStringLiteral("restart"), QStringLiteral("restart"), 9840, 1080, 1215, 300);
    addButton(QStringLiteral("powerUser"), QStringLiteral("power user"), 9840, 1440, 1215, 315,
              QStringLiteral("launch poweruser commands"));

    QLabel *next = addLabel(QStringLiteral("nextLabel"), QStringLiteral("next:"), 120, 2160, 495, 255);
    next->setStyleSheet(QStringLiteral("color: %1;").arg(darkBlue().name()));
    m_currentfile = addLabel(QStringLiteral("currentfile"), QString(), 600, 2160, 3255, 255);
    m_currentfile->setStyleSheet(QStringLiteral("color: %1;").arg(darkBlue().name()));

    QPushButton *exit = addButton(QStringLiteral("exit"), QStringLiteral("exit [x]"), 0, 2760, 855, 240);
    paintRed(exit);
    m_mainMenuToggle = addButton(QStringLiteral("mainMenu"), QStringLiteral("+ main menu"), 960, 2760, 1440, 240);
    addButton(QStringLiteral("hideMenu"), QStringLiteral("hide menu"), 2520, 2760, 1080, 240);
    addButton(QStringLiteral("previous"), QStringLiteral("<< Previous"), 4200, 2760, 1200, 240,
              QStringLiteral("replay previous presentation"));
    addButton(QStringLiteral("first"), QStringLiteral("First >"), 5520, 2760, 840, 240,
              QStringLiteral("start 1st presentation again"));
    addButton(QStringLiteral("next"), QStringLiteral("Next >>"), 6480, 2760, 1080, 240,
              QStringLiteral("next presentation"));

    m_combo = new QComboBox(this);
    m_combo->setObjectName(QStringLiteral("Combo1"));
    m_combo->setFont(tahoma());
    m_combo->setEditable(true);
    m_combo->setInsertPolicy(QComboBox::NoInsert);
    m_combo->setFocusPolicy(Qt::ClickFocus);
    placeInTwips(m_combo, 7680, 2760, 2895, 240);

    addButton(QStringLiteral("w"), QStringLiteral("w"), 10680, 2760, 255, 240,
              QStringLiteral("visit the korvane website"));
    addButton(QStringLiteral("helpProgram"), QStringLiteral("?"), 11040, 2760, 255, 240,
              QStringLiteral("visit the korvane website"));

    // The panel carries it hidden; nothing reads it.
    auto *autoHide = new QCheckBox(QStringLiteral("Auto-Hide menu"), this);
    autoHide->setObjectName(QStringLiteral("autoHide"));
    autoHide->hide();
}

void Frame1::buildPlayerPanel()
{
    addTitleStrip(QStringLiteral("mainMenuTitle"), QStringLiteral(" Korvane Tessaly - Main Menu"), 0);

    addButton(QStringLiteral("configure"), QStringLiteral("configure"), 120, 480, 1215, 315);
    addButton(QStringLiteral("restart"), QStringLiteral("restart"), 120, 892, 1215, 315);
    addButton(QStringLiteral("saveText"), QStringLiteral("save texts"), 120, 1320, 1215, 315);
    addButton(QStringLiteral("editPlaylist"), QStringLiteral("edit playlist"), 120, 1680, 1215, 315);
    QPushButton *exit = addButton(QStringLiteral("exit"), QStringLiteral("exit"), 120, 2040, 1215, 315);
    paintRed(exit);
    addButton(QStringLiteral("help"), QStringLiteral("help"), 7200, 1200, 2295, 315);
    addButton(QStringLiteral("powerUser"), QStringLiteral("power user extensions"), 7200, 1920, 2295, 315);

    QLabel *name = addLabel(QStringLiteral("playerName"), QStringLiteral("Korvane TS Player"), 0, 2760, 1815, 240);
    name->setFont(tahoma(8, true));
    QPushButton *exitRow = addButton(QStringLiteral("exitRow"), QStringLiteral("[] exit"), 1920, 2760, 735, 240,
                                     QStringLiteral("exit the program completely"));
    paintRed(exitRow);
    addButton(QStringLiteral("hideMenu"), QStringLiteral("hide"), 2760, 2760, 495, 240,
              QStringLiteral("hide menu"));
    addLabel(QStringLiteral("nextLabel"), QStringLiteral("next:"), 3360, 2760, 480, 240);
    m_currentfile = addLabel(QStringLiteral("currentfile"), QString(), 3840, 2760, 3135, 240);
    addButton(QStringLiteral("previous"), QStringLiteral("<<"), 7080, 2760, 615, 240,
              QStringLiteral("replay the previous presentation"));
    addButton(QStringLiteral("first"), QStringLiteral(">"), 7800, 2760, 615, 240,
              QStringLiteral("start the first presentation"));
    addButton(QStringLiteral("next"), QStringLiteral(">>"), 8520, 2760, 615, 240,
              QStringLiteral("start the next presentation"));
    addButton(QStringLiteral("www"), QStringLiteral("www"), 9240, 2760, 615, 240,
              QStringLiteral("visit korvane tessaly website"));
    addLabel(QStringLiteral("escLabel"), QStringLiteral("esc key to show / hide menu"), 9960, 2760, 3015, 240);
}

void Frame1::fitToWindow(int windowWidth)
{
    const int width = m_edition == Edition::Player
                          ? windowWidth
                          : windowWidth - platform::twipsToPixelsX(230);
    resize(width, height());
    for (QLabel *strip : m_titleStrips)
        strip->resize(windowWidth, strip->height());
}
