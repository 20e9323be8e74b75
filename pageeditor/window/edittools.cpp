#include "pageeditor/window/edittools.h"

#include "pageeditor/window/formlook.h"
#include "shell/window/twipsrect.h"

#include <QPainter>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int kPictureSize = 375;  // twips, each picture button square

// The pictures are drawn here, so that the suite carries no image files for them:
// four lines set left, centred or right, and a bold "B".
QPixmap alignmentPicture(Qt::Alignment alignment)
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::black, 1));
    const int widths[] = {14, 9, 14, 9};
    for (int i = 0; i < 4; ++i) {
        const int width = widths[i];
        int left = 1;
        if (alignment == Qt::AlignHCenter)
            left = (16 - width) / 2;
        else if (alignment == Qt::AlignRight)
            left = 15 - width;
        painter.drawLine(left, 3 + i * 3, left + width - 1, 3 + i * 3);
    }
    return picture;
}

QPixmap boldPicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("B"));
    return picture;
}

}  // namespace

EditTools::EditTools(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("edit"));
    setWindowTitle(QStringLiteral("quillet edit tools"));
    formlook::paintBackground(this, formlook::editToolsGrey);
    setFont(formlook::controlFont());
    setFixedSize(twipsRect(0, 0, 2490, 1110).size());

    m_save = new QPushButton(QStringLiteral("save"), this);
    m_save->setObjectName(QStringLiteral("save"));
    placeInTwips(m_save, 120, 120, 1095, 375);
    m_wordpad = new QPushButton(QStringLiteral("wordpad"), this);
    m_wordpad->setObjectName(QStringLiteral("wordpad"));
    placeInTwips(m_wordpad, 1275, 120, 1095, 375);

    m_alignLeft = addPictureButton(QStringLiteral("alignleft"), QStringLiteral("align left"), 120,
                                   alignmentPicture(Qt::AlignLeft));
    m_alignCentre = addPictureButton(QStringLiteral("aligncentre"), QStringLiteral("align centre"), 555,
                                     alignmentPicture(Qt::AlignHCenter));
    m_alignRight = addPictureButton(QStringLiteral("alignright"), QStringLiteral("align right"), 990,
                                    alignmentPicture(Qt::AlignRight));
    m_bold = addPictureButton(QStringLiteral("bold"), QStringLiteral("bold"), 1425, boldPicture());
}

QToolButton *EditTools::addPictureButton(const QString &name, const QString &toolTip, int left,
                                         const QPixmap &picture)
{
    auto *button = new QToolButton(this);
    button->setObjectName(name);
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setIcon(QIcon(picture));
    // The page keeps the keyboard focus and its selection.
    button->setFocusPolicy(Qt::NoFocus);
    placeInTwips(button, left, 615, kPictureSize, kPictureSize);
    return button;
}
