#include "pageeditor/window/form1.h"

#include "pageeditor/core/feature.h"
#include "pageeditor/window/edittools.h"
#include "pageeditor/window/formlook.h"
#include "pageeditor/window/frmsplash.h"
#include "pageeditor/window/richtextbox.h"
#include "platform/movie/moviecontrol.h"
#include "platform/programfolder.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"
#include "shell/window/twipsrect.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

using namespace pageeditor;

namespace {

// Geometry in twips.
constexpr int kTextLeft = 120;
constexpr int kTextTop = 120;
constexpr int kTextWidthLess = 350;   // the box is the window's width less this
constexpr int kBarAboveBottom = 800;  // the bar's top, and the box's height, less this
constexpr int kPageDataLeft = 10320;  // the page's texts and feature boxes start here
constexpr int kBoxHeight = 285;
constexpr int kButtonHeight = 315;

const QString kLoading = QStringLiteral("Loading...");
const QString kEmptyPage = QStringLiteral("[empty page]");

// The five texts of a page, in field order (feature1 .. footer), with the
// labels they carry and the rows they sit in.
struct PageText {
    const char *name;
    const char *label;
    int top;
};
const PageText kPageTexts[] = {
    {"header", "header", 120},     {"footer", "footer", 480},     {"feature1", "feature1", 840},
    {"feature2", "feature2", 1200}, {"feature3", "feature3", 1560},
};
const char *const kFieldOrder[] = {"feature1", "feature2", "feature3", "header", "footer"};

Form1::SaveChoice askWithMessageBox(QWidget *parent, const QString &title, const QString &page)
{
    QMessageBox box(QMessageBox::Question, title,
                    QStringLiteral("Page %1 has changes that are not saved. Save them?").arg(page),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return Form1::SaveChoice::Save;
    case QMessageBox::Discard: return Form1::SaveChoice::Discard;
    default: return Form1::SaveChoice::Cancel;
    }
}

bool wholeNumber(const QString &text, int *number)
{
    bool ok = false;
    *number = text.trimmed().toInt(&ok);
    return ok;
}

}  // namespace

Form1::Form1(QString folder, platform::Dialogs &dialogs, platform::Launcher &launcher,
             OrvexLibrary &library, QWidget *parent)
    : QWidget(parent),
      m_folder(std::move(folder)),
      m_dialogs(dialogs),
      m_launcher(launcher),
      m_records(m_folder, dialogs, m_title, library)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" - left click forward, right click back"));
    formlook::paintBackground(this, formlook::form1Grey);
    setFont(formlook::controlFont());
    resize(kDefaultWidth, kDefaultHeight);

    m_text = new RichTextBox(this);
    connect(m_text, &RichTextBox::released, this, &Form1::clickReleased);

    m_movie = new platform::MovieControl(this);
    m_movie->setObjectName(QStringLiteral("featureMovie"));
    m_movie->hide();

    buildBar();
    buildPageData();

    m_edit = new EditTools(this);
    connect(m_edit->saveButton(), &QPushButton::clicked, this, [this] { saveit(); });
    connect(m_edit->wordpadButton(), &QPushButton::clicked, this, &Form1::startWordpad);
    connect(m_edit->alignLeftButton(), &QToolButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignLeft); });
    connect(m_edit->alignCentreButton(), &QToolButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignHCenter); });
    connect(m_edit->alignRightButton(), &QToolButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignRight); });
    connect(m_edit->boldButton(), &QToolButton::clicked, this, &Form1::toggleBold);

    m_splash = new FrmSplash(this);

    m_records.setStatusSink([this](const QString &text) { m_status->setText(text); });
    m_records.setEventPump([this] { letEventsRun(); });
    m_askToSave = [this](const QString &page) { return askWithMessageBox(this, m_title, page); };
    sizeit();
}

Form1::~Form1() = default;

QPushButton *Form1::addButton(QWidget *parent, const QString &name, const QString &caption, int left, int top,
                              int width, int height)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(formlook::controlFont());
    // Buttons leave the keyboard focus, and the selection, in the page.
    button->setFocusPolicy(Qt::NoFocus);
    placeInTwips(button, left, top, width, height);
    return button;
}

void Form1::addLabel(QWidget *parent, const QString &name, const QString &caption, int left, int top, int width,
                     int height)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(formlook::controlFont());
    placeInTwips(label, left, top, width, height);
}

QLineEdit *Form1::addBox(const QString &name, const QString &text, int left, int top, int width)
{
    auto *box = new QLineEdit(text, this);
    box->setObjectName(name);
    box->setFont(formlook::controlFont());
    box->setAccessibleName(name);
    placeInTwips(box, left, top, width, kBoxHeight);
    return box;
}

void Form1::buildBar()
{
    m_bar = new QFrame(this);
    m_bar->setObjectName(QStringLiteral("Frame1"));
    m_bar->setFont(formlook::controlFont());
    m_bar->resize(twipsRect(0, 0, 7815, 495).size());

    m_back = addButton(m_bar, QStringLiteral("back"), QStringLiteral("< back"), 0, 120, 735, 255);
    m_fwd = addButton(m_bar, QStringLiteral("fwd"), QStringLiteral("fwd >"), 720, 120, 735, 255);
    m_fwd->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; }").arg(formlook::fwdPink.name()));
    QPushButton *homeButton = addButton(m_bar, QStringLiteral("home"), QStringLiteral("home"), 1560, 120, 615, 255);
    m_ed = addButton(m_bar, QStringLiteral("ed"), QStringLiteral("ed"), 2280, 120, 375, 255);
    m_ed->hide();
    addLabel(m_bar, QStringLiteral("Label1"), QStringLiteral("page"), 2760, 120, 405, 255);
    m_pageNumber = new QLineEdit(QStringLiteral("1"), m_bar);
    m_pageNumber->setObjectName(QStringLiteral("var_name"));
    m_pageNumber->setAccessibleName(QStringLiteral("page"));
    m_pageNumber->setFont(formlook::controlFont());
    placeInTwips(m_pageNumber, 3180, 100, 615, 285);
    QPushButton *goButton = addButton(m_bar, QStringLiteral("go"), QStringLiteral("go"), 3840, 120, 360, 255);
    m_clickNav = new QCheckBox(QStringLiteral("click nav"), m_bar);
    m_clickNav->setObjectName(QStringLiteral("clicknav"));
    m_clickNav->setFont(formlook::controlFont());
    m_clickNav->setFocusPolicy(Qt::NoFocus);
    placeInTwips(m_clickNav, 4320, 120, 975, 255);
    m_status = new QLabel(QStringLiteral("status:"), m_bar);
    m_status->setObjectName(QStringLiteral("status"));
    m_status->setFont(formlook::controlFont());
    placeInTwips(m_status, 5400, 120, 2295, 285);

    connect(m_back, &QPushButton::clicked, this, &Form1::back);
    connect(m_fwd, &QPushButton::clicked, this, &Form1::forward);
    connect(homeButton, &QPushButton::clicked, this, &Form1::home);
    connect(m_ed, &QPushButton::clicked, this, [this] { m_edit->show(); });
    connect(goButton, &QPushButton::clicked, this, &Form1::go);
    connect(m_pageNumber, &QLineEdit::returnPressed, this, &Form1::go);
    // A right click pages back while paging by clicks; no menu comes in its way.
    connect(m_clickNav, &QCheckBox::toggled, this, [this](bool on) {
        m_text->setContextMenuPolicy(on ? Qt::NoContextMenu : Qt::DefaultContextMenu);
    });
}

void Form1::buildPageData()
{
    const int labelWidth = 735;
    const int boxLeft = kPageDataLeft + labelWidth + 60;
    for (const PageText &text : kPageTexts) {
        addLabel(this, QStringLiteral("label ") + QLatin1String(text.name), QLatin1String(text.label),
                 kPageDataLeft, text.top + 15, labelWidth, 255);
        addBox(QLatin1String(text.name), QString(), boxLeft, text.top, 4200);
    }
    // The feature placement: labels over their boxes.
    struct Placement {
        const char *name, *label, *initial;
        int left, width;
    };
    const Placement placements[] = {
        {"f1top", "top", "150", kPageDataLeft, 600},
        {"f1left", "left", "699", kPageDataLeft + 660, 600},
        {"f1width", "width", "5300", kPageDataLeft + 1320, 600},
        {"f1height", "height", "3900", kPageDataLeft + 1980, 600},
        {"f1link", "flash", "whowaitsforeveranyway.swf", kPageDataLeft + 2640, 2355},
    };
    for (const Placement &p : placements) {
        addLabel(this, QStringLiteral("label ") + QLatin1String(p.name), QLatin1String(p.label), p.left, 1980,
                 p.width, 255);
        addBox(QLatin1String(p.name), QLatin1String(p.initial), p.left, 2235, p.width);
    }
    connect(addButton(this, QStringLiteral("savezap"), QStringLiteral("save/zap"), kPageDataLeft, 2640, 1095,
                      kButtonHeight),
            &QPushButton::clicked, this, &Form1::saveZap);
    connect(addButton(this, QStringLiteral("left"), QStringLiteral("left"), kPageDataLeft, 3120, 615, kButtonHeight),
            &QPushButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignLeft); });
    connect(addButton(this, QStringLiteral("center"), QStringLiteral("center"), kPageDataLeft + 675, 3120, 735,
                      kButtonHeight),
            &QPushButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignHCenter); });
    connect(addButton(this, QStringLiteral("right"), QStringLiteral("right"), kPageDataLeft + 1470, 3120, 615,
                      kButtonHeight),
            &QPushButton::clicked, this, [this] { setSelectionAlignment(Qt::AlignRight); });
    QPushButton *bold = addButton(this, QStringLiteral("B"), QStringLiteral("B"), kPageDataLeft + 2145, 3120, 375,
                                  kButtonHeight);
    QFont boldFont = formlook::controlFont();
    boldFont.setBold(true);
    bold->setFont(boldFont);
    bold->setAccessibleName(QStringLiteral("bold"));
    connect(bold, &QPushButton::clicked, this, &Form1::toggleBold);
    connect(addButton(this, QStringLiteral("getnnext"), QStringLiteral("get n next"), kPageDataLeft, 3600, 1215,
                      kButtonHeight),
            &QPushButton::clicked, this, &Form1::getNNext);
    connect(addButton(this, QStringLiteral("createdb"), QStringLiteral("create quillet db"), kPageDataLeft + 1275,
                      3600, 1815, kButtonHeight),
            &QPushButton::clicked, this, &Form1::createQuilletDb);
}

QLineEdit *Form1::box(const QString &name) const
{
    return findChild<QLineEdit *>(name);
}

QPushButton *Form1::button(const QString &name) const
{
    return findChild<QPushButton *>(name);
}

void Form1::startUp(const QuilletConfig &config)
{
    if (config.placed) {
        move(config.geometry.topLeft());
        resize(config.geometry.size());
    } else if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        resize(kDefaultWidth, kDefaultHeight);
        const QRect available = screen->availableGeometry();
        move(available.center() - QPoint(kDefaultWidth / 2, kDefaultHeight / 2));
    }
    sizeit();
    m_title = config.caption;
    m_records.setTitle(m_title);
    setWindowTitle(config.caption);
    m_database = config.database;
    if (config.ontop)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    show();
    if (config.edit) {
        m_ed->show();
        // Just below the main window, at its left.
        m_edit->move(frameGeometry().left(), frameGeometry().top() + frameGeometry().height());
        m_edit->show();
    } else {
        m_ed->hide();
    }
    m_clickNav->setChecked(config.clicknav);
    if (!config.problem.isEmpty())
        m_dialogs.messageBox(m_title, config.problem);
    gopage();
}

void Form1::sizeit()
{
    const int width = platform::pixelsToTwipsX(this->width());
    const int height = platform::pixelsToTwipsY(this->height());
    const int barTop = height - kBarAboveBottom;
    m_text->setGeometry(twipsRect(kTextLeft, kTextTop, qMax(0, width - kTextWidthLess),
                                  qMax(0, height - kBarAboveBottom)));
    m_bar->move(twipsRect(kTextLeft, barTop, 0, 0).topLeft());
    // The page's texts lie over the box's right part: its text wraps before them.
    const int pageDataLeft = platform::twipsToPixelsX(kPageDataLeft);
    m_text->setRightMargin(m_text->geometry().right() + 1 - pageDataLeft + 8);
    m_bar->raise();
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    sizeit();
}

void Form1::letEventsRun()
{
    // Pending paints run (the status line, the wait window); clicks and keys
    // wait until the operation is over, so that none starts another inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Form1::showWait()
{
    const QRect area = geometry();
    m_splash->move(area.center() - m_splash->rect().center());
    m_splash->show();
    letEventsRun();
}

void Form1::hideWait()
{
    m_splash->hide();
}

bool Form1::pageModified() const
{
    if (m_text->document()->isModified())
        return true;
    for (const char *name : kFieldOrder) {
        if (box(QLatin1String(name))->isModified())
            return true;
    }
    return false;
}

void Form1::markSaved()
{
    m_text->document()->setModified(false);
    for (const char *name : kFieldOrder)
        box(QLatin1String(name))->setModified(false);
}

// Before the page shown is left: its unsaved changes are saved, dropped or kept
// (and the page stays) as the user says. The changes belong to the page shown,
// whatever number has been typed into var_name since.
bool Form1::maySwitchPage()
{
    if (!pageModified())
        return true;
    const QString page = m_loadedPage.isEmpty() ? m_pageNumber->text() : m_loadedPage;
    switch (m_askToSave(page)) {
    case SaveChoice::Save: return savePage(page);
    case SaveChoice::Discard: return true;
    case SaveChoice::Cancel: return false;
    }
    return false;
}

void Form1::gopage()
{
    loadPage(true);
}

void Form1::loadPage(bool markLoading)
{
    const QString page = m_pageNumber->text();
    const QString problem = pageNumberProblem(page);
    if (!problem.isEmpty()) {
        m_dialogs.messageBox(m_title, problem);
        return;
    }
    if (markLoading) {
        m_text->setPlainText(kLoading);
        QPalette colours = m_text->palette();
        colours.setColor(QPalette::Base, formlook::loadingGrey);
        m_text->setPalette(colours);
        m_status->clear();
        letEventsRun();
    }
    const PageBody body = m_records.getrecord(m_database, QStringLiteral("var_name"), page, pagefield::var_data);
    if (body.outcome == PageBody::Outcome::Loaded) {
        showBody(body.bytes);
        m_status->setText(QStringLiteral("page loaded: ") + kilobytesText(body.size) + QStringLiteral(" Kbytes"));
    } else if (body.outcome == PageBody::Outcome::NotFound && !markLoading) {
        m_text->setPlainText(endOfFileText());
    }
    // When the database could not be read at all, the texts would fail the same
    // way: they stay as they were, and one message has said why.
    if (body.outcome != PageBody::Outcome::Failed) {
        int field = pagefield::feature1;
        for (const char *name : kFieldOrder) {
            box(QLatin1String(name))
                ->setText(m_records.getrecordtext(m_database, QStringLiteral("var_name"), page, field++));
        }
    }
    if (markLoading) {
        QPalette colours = m_text->palette();
        colours.setColor(QPalette::Base, Qt::white);
        m_text->setPalette(colours);
    }
    loadfeature();
    if (m_text->toPlainText() == kLoading)
        m_text->setPlainText(kEmptyPage);
    m_loadedPage = page;
    markSaved();
}

void Form1::showBody(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    // A body that is not RTF (plain text, damaged bytes) is shown as text.
    if (!platform::readRtf(bytes, m_text->document()))
        m_text->setPlainText(ByteArrayToString(bytes));
}

bool Form1::saveit()
{
    return savePage(m_pageNumber->text());
}

bool Form1::savePage(const QString &page)
{
    QPushButton *save = m_edit->saveButton();
    showWait();
    save->hide();
    QStringList texts;
    for (const char *name : kFieldOrder)
        texts << box(QLatin1String(name))->text();
    const bool saved = m_records.saveit(m_database, page, platform::writeRtf(*m_text->document()), texts);
    if (saved && page == m_loadedPage)
        markSaved();
    save->setText(saved ? QStringLiteral("save True") : QStringLiteral("save False"));
    save->show();
    hideWait();
    return saved;
}

void Form1::loadfeature()
{
    const std::optional<FeaturePlacement> placement = parseFeature(box(QStringLiteral("feature1"))->text());
    m_movie->hide();
    if (!placement) {
        // A page without a feature shows none (the last page's does not linger).
        m_movie->Movie(QString());
        return;
    }
    const QPoint origin = m_text->geometry().topLeft();
    m_movie->setGeometry(QRect(origin + QPoint(platform::twipsToPixelsX(placement->left),
                                               platform::twipsToPixelsY(placement->top)),
                               twipsRect(0, 0, placement->width, placement->height).size()));
    m_movie->Movie(platform::joinPath(m_folder, placement->movie));
    m_movie->SetVariable(QStringLiteral("cango"), QStringLiteral("true"));
    m_movie->Play();
    m_movie->show();
    m_movie->raise();
}

// "fwd >" and "< back": the number moves by one (back stops at 1) and the page
// loads; a number box holding no number pages nowhere.
void Form1::step(int delta, QPushButton *hiddenButton)
{
    int number = 0;
    const bool isNumber = wholeNumber(m_pageNumber->text(), &number);
    if (isNumber && !maySwitchPage())
        return;
    showWait();
    hiddenButton->hide();
    letEventsRun();
    m_edit->saveButton()->setText(QStringLiteral("save"));
    if (isNumber) {
        if (delta > 0 || number > 1)
            number += delta;
        m_pageNumber->setText(QString::number(number));
        gopage();
    }
    hiddenButton->show();
    hideWait();
}

void Form1::forward()
{
    step(1, m_fwd);
}

void Form1::back()
{
    step(-1, m_back);
}

void Form1::home()
{
    if (!maySwitchPage())
        return;
    m_pageNumber->setText(QStringLiteral("1"));
    gopage();
}

void Form1::go()
{
    if (!maySwitchPage())
        return;
    gopage();
}

void Form1::clickReleased(Qt::MouseButton button)
{
    if (!m_clickNav->isChecked())
        return;
    int number = 0;
    if (!wholeNumber(m_pageNumber->text(), &number) || !maySwitchPage())
        return;
    if (button == Qt::LeftButton)
        ++number;
    else if (number > 1)
        --number;
    m_pageNumber->setText(QString::number(number));
    gopage();
}

void Form1::getNNext()
{
    if (!maySwitchPage())
        return;
    loadPage(false);
    int number = 0;
    if (wholeNumber(m_pageNumber->text(), &number))
        m_pageNumber->setText(QString::number(number + 1));
}

void Form1::saveZap()
{
    QLineEdit *feature1 = box(QStringLiteral("feature1"));
    feature1->setText(featureText(box(QStringLiteral("f1top"))->text(), box(QStringLiteral("f1left"))->text(),
                                  box(QStringLiteral("f1width"))->text(), box(QStringLiteral("f1height"))->text(),
                                  box(QStringLiteral("f1link"))->text()));
    feature1->setModified(true);  // a change of the page, to be saved
    loadfeature();
}

void Form1::createQuilletDb()
{
    m_records.createQuilletDatabase(m_database);
}

void Form1::startWordpad()
{
    // The page is not handed over; as any started program, a failure is silent.
    const QString command = platform::wordProcessorCommand();
    if (!command.isEmpty())
        m_launcher.startProcess(command, QDir::homePath(), platform::WindowState::Normal);
}

void Form1::setSelectionAlignment(Qt::Alignment alignment)
{
    m_text->setAlignment(alignment);
}

void Form1::toggleBold()
{
    const QTextCursor cursor = m_text->textCursor();
    // Bold becomes the opposite of the selection's: bold only when all of it was not.
    bool allBold = cursor.charFormat().fontWeight() > QFont::Medium;
    if (cursor.hasSelection()) {
        QTextCursor probe(m_text->document());
        for (int position = cursor.selectionStart() + 1; position <= cursor.selectionEnd() && allBold; ++position) {
            probe.setPosition(position);
            allBold = probe.charFormat().fontWeight() > QFont::Medium;
        }
    }
    QTextCharFormat format;
    format.setFontWeight(allBold ? QFont::Normal : QFont::Bold);
    m_text->mergeCurrentCharFormat(format);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!maySwitchPage()) {
        event->ignore();
        return;
    }
    m_edit->close();
    m_splash->close();
    event->accept();
}
