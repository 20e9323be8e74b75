// The Qt boxes, driven by clicks on the offscreen platform.
#include "platform/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace platform;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QStringList buttons;
    bool onTop = false;
    bool shownAsMarkup = false;  // some label of the box renders its text as rich text
};

// True when a label shows its text as rich text (markup taken, not shown).
bool rendersMarkup(const QLabel *label)
{
    return label->textFormat() == Qt::RichText
           || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
}

// Once the next modal box is up, records it and lets `act` answer it.
void whenBoxShows(SeenBox *seen, std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, seen, act]() {
        QWidget *box = QApplication::activeModalWidget();
        if (!box)
            return;
        poll->stop();
        poll->deleteLater();
        seen->title = box->windowTitle();
        seen->onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        for (const QLabel *label : box->findChildren<QLabel *>())
            seen->shownAsMarkup = seen->shownAsMarkup || rendersMarkup(label);
        if (auto *message = qobject_cast<QMessageBox *>(box)) {
            seen->text = message->text();
            for (QAbstractButton *b : message->buttons())
                seen->buttons.append(b->text().remove(u'&'));
        }
        if (auto *input = qobject_cast<QInputDialog *>(box))
            seen->text = input->labelText();
        act(box);
    });
    poll->start();
}

void clickButton(QWidget *box, QMessageBox::StandardButton which)
{
    auto *message = qobject_cast<QMessageBox *>(box);
    ASSERT_NE(message, nullptr);
    message->button(which)->click();
}

}  // namespace

TEST(Dialogs, MessageBoxIsTitledAndAnswersTheButtonClicked)
{
    SeenBox seen;
    whenBoxShows(&seen, [](QWidget *box) { clickButton(box, QMessageBox::Ok); });
    EXPECT_EQ(systemDialogs().messageBox("Korvane_Launch", "hello  there ", MessageButtons::Ok),
              MessageResult::Ok);
    EXPECT_EQ(seen.title, QStringLiteral("Korvane_Launch"));
    EXPECT_EQ(seen.text, QStringLiteral("hello  there "));
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_TRUE(seen.onTop);

    SeenBox second;
    whenBoxShows(&second, [](QWidget *box) { clickButton(box, QMessageBox::Cancel); });
    EXPECT_EQ(systemDialogs().messageBox("Korvane_Launch", "go on?", MessageButtons::OkCancel),
              MessageResult::Cancel);
    EXPECT_EQ(second.buttons.size(), 2);

    SeenBox third;
    whenBoxShows(&third, [](QWidget *box) { clickButton(box, QMessageBox::No); });
    EXPECT_EQ(systemDialogs().messageBox("Korvane Tessaly", "sure?", MessageButtons::YesNo),
              MessageResult::No);
}

TEST(Dialogs, TextsWithAngleBracketsAreShownAsWritten)
{
    // A message or prompt is plain text, as the original's boxes show it: "<b>"
    // in a script's message is three characters, not bold.
    SeenBox message;
    whenBoxShows(&message, [](QWidget *box) { clickButton(box, QMessageBox::Ok); });
    systemDialogs().messageBox("Korvane_Launch", "<b>room 4</b> <i>opens</i> at <8>");
    EXPECT_EQ(message.text, QStringLiteral("<b>room 4</b> <i>opens</i> at <8>"));
    EXPECT_FALSE(message.shownAsMarkup);

    SeenBox input;
    whenBoxShows(&input, [](QWidget *box) { static_cast<QDialog *>(box)->reject(); });
    QString answer;
    systemDialogs().inputBox("t", "<u>name</u> of the <file>", &answer);
    EXPECT_EQ(input.text, QStringLiteral("<u>name</u> of the <file>"));
    EXPECT_FALSE(input.shownAsMarkup);
}

TEST(Dialogs, MessageBoxClosedWithoutAnswerDoesNothing)
{
    SeenBox seen;
    whenBoxShows(&seen, [](QWidget *box) { static_cast<QDialog *>(box)->reject(); });
    EXPECT_EQ(systemDialogs().messageBox("t", "go on?", MessageButtons::OkCancel),
              MessageResult::Cancel);
}

TEST(Dialogs, InputBoxGivesTheTypedTextOnOk)
{
    SeenBox seen;
    whenBoxShows(&seen, [](QWidget *box) {
        auto *input = qobject_cast<QInputDialog *>(box);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->textValue(), QStringLiteral("start"));
        input->setTextValue(QStringLiteral("https://example.org"));
        input->accept();
    });
    QString answer;
    EXPECT_TRUE(systemDialogs().inputBox("enter program , url or file to run", "run...", &answer,
                                         "start"));
    EXPECT_EQ(answer, QStringLiteral("https://example.org"));
    EXPECT_EQ(seen.title, QStringLiteral("enter program , url or file to run"));
    EXPECT_EQ(seen.text, QStringLiteral("run..."));
}

TEST(Dialogs, InputBoxCancelGivesNothing)
{
    SeenBox seen;
    whenBoxShows(&seen, [](QWidget *box) {
        auto *input = qobject_cast<QInputDialog *>(box);
        ASSERT_NE(input, nullptr);
        input->setTextValue(QStringLiteral("typed"));
        input->reject();
    });
    QString answer = "stale";
    EXPECT_FALSE(systemDialogs().inputBox("t", "run...", &answer));
    EXPECT_TRUE(answer.isEmpty());
}

TEST(Dialogs, ErrorIconAndLinesBrokenByCrLf)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString shown;
    SeenBox seen;
    whenBoxShows(&seen, [&](QWidget *box) {
        auto *message = qobject_cast<QMessageBox *>(box);
        ASSERT_NE(message, nullptr);
        icon = message->icon();
        shown = message->text();
        message->accept();
    });
    systemDialogs().errorBox("Error", "Error 2: No such file or directory");
    EXPECT_EQ(seen.title, QStringLiteral("Error"));
    EXPECT_EQ(icon, QMessageBox::Critical);

    whenBoxShows(&seen, [&](QWidget *box) {
        icon = static_cast<QMessageBox *>(box)->icon();
        shown = static_cast<QMessageBox *>(box)->text();
        static_cast<QMessageBox *>(box)->accept();
    });
    systemDialogs().messageBox("Korvane Tessaly", "/x/sky.png is the new background.\r\nKorvane Tessaly will now restart.");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown, QStringLiteral("/x/sky.png is the new background.\nKorvane Tessaly will now restart."));
}

TEST(Dialogs, OpenFileDialogGivesTheChosenFilesInOrder)
{
    QTemporaryDir dir;
    for (const char *name : {"a.odp", "b.odp", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    OpenFilesRequest request;
    request.name = "dlgFiles";
    request.folder = dir.path();
    request.filters = QStringList{"Text Files (*.txt)", "All Files (*.*)"};
    request.shownFilter = 1;

    QString name;
    QString filterShown;
    QString folderShown;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString title;
    SeenBox seen;
    whenBoxShows(&seen, [&](QWidget *box) {
        auto *dialog = qobject_cast<QFileDialog *>(box);
        ASSERT_NE(dialog, nullptr);
        name = dialog->objectName();
        filterShown = dialog->selectedNameFilter();
        folderShown = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        title = dialog->windowTitle();
        dialog->selectFile("\"b.odp\" \"a.odp\"");
        static_cast<QDialog *>(dialog)->accept();
    });
    const OpenFilesOutcome chosen = systemDialogs().openFiles(request);
    EXPECT_EQ(chosen.kind, OpenFilesOutcome::Kind::Chosen);
    EXPECT_EQ(chosen.files, (QStringList{dir.filePath("b.odp"), dir.filePath("a.odp")}));
    EXPECT_EQ(filterShown, QStringLiteral("All Files (*.*)"));
    EXPECT_EQ(folderShown, QDir(dir.path()).absolutePath());
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(title, QStringLiteral("Open"));
    EXPECT_EQ(name, QStringLiteral("dlgFiles"));

    whenBoxShows(&seen, [](QWidget *box) { static_cast<QDialog *>(box)->reject(); });
    const OpenFilesOutcome cancelled = systemDialogs().openFiles(request);
    EXPECT_EQ(cancelled.kind, OpenFilesOutcome::Kind::Cancelled);
    EXPECT_TRUE(cancelled.files.isEmpty());
}

namespace {

// The names the dialog's file view shows in its folder, once the folder is read
// (the dialog reads folders and applies filters in the background), waiting up to
// three seconds for `expected` names.
QStringList namesListed(QFileDialog *dialog, int expected)
{
    QStringList names;
    auto *view = dialog->findChild<QListView *>("listView");
    if (!view)
        return names;
    QElapsedTimer waited;
    waited.start();
    do {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names.append(view->model()->index(row, 0, root).data().toString());
    } while (names.size() != expected && waited.elapsed() < 3000);
    names.sort();
    return names;
}

// Chooses the filter of the given row in the dialog's type box as a person does,
// with the arrow keys.
void chooseFilter(QFileDialog *dialog, int row)
{
    auto *types = dialog->findChild<QComboBox *>("fileTypeCombo");
    ASSERT_NE(types, nullptr);
    while (types->currentIndex() != row) {
        const int before = types->currentIndex();
        QKeyEvent press(QEvent::KeyPress, row > before ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(types, &press);
        ASSERT_NE(types->currentIndex(), before);
    }
}

}  // namespace

TEST(Dialogs, AllFilesListsNamesWithoutADotToo)
{
    QTemporaryDir dir;
    for (const char *name : {"README", "talk.odp", "notes.txt"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    OpenFilesRequest request;
    request.folder = dir.path();
    request.filters = QStringList{"Text Files (*.txt)", "All Files (*.*)"};
    request.shownFilter = 1;

    QStringList captions, shownFirst, textFiles, shownAgain;
    SeenBox seen;
    whenBoxShows(&seen, [&](QWidget *box) {
        auto *dialog = qobject_cast<QFileDialog *>(box);
        ASSERT_NE(dialog, nullptr);
        if (auto *types = dialog->findChild<QComboBox *>("fileTypeCombo"))
            for (int row = 0; row < types->count(); ++row)
                captions.append(types->itemText(row));
        shownFirst = namesListed(dialog, 3);
        chooseFilter(dialog, 0);
        textFiles = namesListed(dialog, 1);
        chooseFilter(dialog, 1);
        shownAgain = namesListed(dialog, 3);
        static_cast<QDialog *>(dialog)->reject();
    });
    systemDialogs().openFiles(request);
    EXPECT_EQ(captions.join(" | ").toStdString(), "Text Files (*.txt) | All Files (*.*)");
    EXPECT_EQ(shownFirst.join(", ").toStdString(), "README, notes.txt, talk.odp");
    EXPECT_EQ(textFiles.join(", ").toStdString(), "notes.txt");
    EXPECT_EQ(shownAgain.join(", ").toStdString(), "README, notes.txt, talk.odp");
}
