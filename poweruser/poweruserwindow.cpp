#include "poweruser/poweruserwindow.h"

#include "poweruser/folderlist.h"
#include "platform/twips.h"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

namespace poweruser {
namespace {

// Client width: the button row and the "Restore" panel with a margin of 120 twips.
constexpr int kWindowWidth = 8055;
constexpr int kFrame1Left = 120, kFrame1Top = 840;
constexpr int kFrame2Left = 3840, kFrame2Top = 840;

QFont tahoma() { return QFont(QStringLiteral("Tahoma"), 8); }

}  // namespace

PowerUserWindow::PowerUserWindow(const QString &installationFolder, PowerUser::Services services,
                                 QWidget *parent)
    : QWidget(parent), m_endProgram([] { QApplication::quit(); })
{
    m_logic = std::make_unique<PowerUser>(installationFolder, std::move(services), *this);
    setWindowTitle(PowerUser::windowCaption());
    setFont(tahoma());
    setupControls();
    setFixedWidth(platform::twipsToPixelsX(kWindowWidth));
    resize(width(), platform::twipsToPixelsY(PowerUser::kUnfoldedHeight));
    m_logic->start();
}

PowerUserWindow::~PowerUserWindow() = default;

void PowerUserWindow::setupControls()
{
    m_Command2 = addButton(this, "Command2", QStringLiteral("Start Tessaly"), 120, 120, 2535, 375);
    m_Command5 = addButton(this, "Command5", QStringLiteral("backup / restore"), 2880, 120, 1575, 375);
    m_Command3 = addButton(this, "Command3", QStringLiteral("open powerpoint folder"), 4560, 120,
                           2175, 375);
    m_Command4 = addButton(this, "Command4", QStringLiteral("quit"), 6840, 120, 1095, 375);
    connect(m_Command2, &QPushButton::clicked, this, [this] { m_logic->startTessaly(); });
    connect(m_Command5, &QPushButton::clicked, this, [this] { toggleBackupRestore(); });
    connect(m_Command3, &QPushButton::clicked, this, [this] { m_logic->openPowerpointFolder(); });
    connect(m_Command4, &QPushButton::clicked, this, [this] { m_endProgram(); });

    // Places inside a panel are given in the window's twips, as the panels stand.
    m_Frame1 = new QGroupBox(QStringLiteral("Backup"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    platform::placeInTwips(m_Frame1, kFrame1Left, kFrame1Top, 2535, 2535);
    m_Command1 = addButton(m_Frame1, "Command1", QStringLiteral("save current settings"),
                           360 - kFrame1Left, 1200 - kFrame1Top, 2055, 375);
    connect(m_Command1, &QPushButton::clicked, this, [this] { m_logic->saveCurrentSettings(); });
    m_backuptext = addTextBox(m_Frame1, "backuptext", PowerUser::backupHintLines(),
                              360 - kFrame1Left, 1680 - kFrame1Top, 2055, 1575);

    m_Frame2 = new QGroupBox(QStringLiteral("Restore"), this);
    m_Frame2->setObjectName(QStringLiteral("Frame2"));
    platform::placeInTwips(m_Frame2, kFrame2Left, kFrame2Top, 3735, 6975);
    m_Label1 = new QLabel(
        QStringLiteral("restore from (double click to select the folder you wish to restore from)"),
        m_Frame2);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setWordWrap(true);
    m_Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    platform::placeInTwips(m_Label1, 4200 - kFrame2Left, 1170 - kFrame2Top, 3015, 390);
    m_Dir1 = new FolderList(m_Frame2);
    m_Dir1->setObjectName(QStringLiteral("Dir1"));
    platform::placeInTwips(m_Dir1, 4200 - kFrame2Left, 1560 - kFrame2Top, 3015, 5940);
    connect(m_Dir1, &FolderList::pathChanged, this,
            [this](const QString &folder) { m_logic->folderChanged(folder); });

    m_Text1 = addTextBox(this, "Text1", PowerUser::helpLines(), 120, 4920, 3375, 2895);
}

QPushButton *PowerUserWindow::addButton(QWidget *parent, const char *name, const QString &text,
                                        int left, int top, int width, int height)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    platform::placeInTwips(button, left, top, width, height);
    return button;
}

QPlainTextEdit *PowerUserWindow::addTextBox(QWidget *parent, const char *name,
                                            const QStringList &lines, int left, int top,
                                            int width, int height)
{
    auto *box = new QPlainTextEdit(lines.join(QLatin1Char('\n')), parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    platform::placeInTwips(box, left, top, width, height);
    return box;
}

void PowerUserWindow::toggleBackupRestore()
{
    const int heightTwips =
        height() == platform::twipsToPixelsY(PowerUser::kUnfoldedHeight) ? PowerUser::kUnfoldedHeight
                                                                          : platform::pixelsToTwipsY(height());
    resize(width(), platform::twipsToPixelsY(PowerUser::toggledHeight(heightTwips)));
}

void PowerUserWindow::showFolder(const QString &folder) { m_Dir1->setPath(folder); }

void PowerUserWindow::setStatusText(const QString &text) { m_backuptext->setPlainText(text); }

}  // namespace poweruser
