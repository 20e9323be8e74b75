// The page editor's windows on the offscreen platform, with the real libOrvex.so
// and real database files; message boxes and started programs are recorded.
#include "pageeditor/core/orvexclass.h"
#include "pageeditor/window/edittools.h"
#include "pageeditor/window/form1.h"
#include "pageeditor/window/frmsplash.h"
#include "pageeditor/window/richtextbox.h"
#include "pagetesting.h"
#include "platform/movie/moviecontrol.h"
#include "platform/richtext/rtfwriter.h"
#include "platform/testing/recorders.h"
#include "shell/window/twipsrect.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace pageeditor;
using platform::testing::RecordingLauncher;
using platform::testing::ScriptedDialogs;

class Form1Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<RecordingLauncher> m_launcher;
    std::unique_ptr<Form1> m_form;
    QStringList m_questions;
    QList<Form1::SaveChoice> m_answers;

    Form1 &make()
    {
        m_form = std::make_unique<Form1>(m_folder->path(), *m_dialogs, *m_launcher);
        m_form->setSaveQuestion([this](const QString &page) {
            m_questions << page;
            return m_answers.isEmpty() ? Form1::SaveChoice::Cancel : m_answers.takeFirst();
        });
        return *m_form;
    }

    QuilletConfig config(const QString &line)
    {
        return parseQuilletConfig(line, QStringLiteral("quillet2.ini"));
    }

    // A form started on an empty page database.
    bool startOnDatabase()
    {
        Form1 &form = make();
        PageRecords records(m_folder->path(), *m_dialogs, QStringLiteral("quillet2"));
        if (!records.createQuilletDatabase(QStringLiteral("pages.odb")))
            return false;
        m_dialogs->messages.clear();
        form.startUp(config(QString::fromUtf8("0¬0¬900¬600¬pages¬pages.odb¬edit¬clicknav¬x")));
        return true;
    }

    void typeIntoPage(const QString &text)
    {
        QTextCursor cursor(m_form->RichTextBox1()->document());
        cursor.movePosition(QTextCursor::End);
        m_form->RichTextBox1()->setTextCursor(cursor);
        QTest::keyClicks(m_form->RichTextBox1(), text);
    }

    void click(const QString &name) { QTest::mouseClick(m_form->button(name), Qt::LeftButton); }

    QString page() const { return m_form->RichTextBox1()->toPlainText(); }

#define REQUIRE_ENGINE()                                                 \
    do {                                                                 \
        QString missing;                                                 \
        if (!pagetesting::flatInterfaceAvailable(&missing))              \
            QSKIP("the flat interface is not in libOrvex.so yet");       \
        QVERIFY(startOnDatabase());                                      \
    } while (false)

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_launcher = std::make_unique<RecordingLauncher>();
        m_questions.clear();
        m_answers.clear();
    }

    void cleanup()
    {
        if (m_form)
            m_form->setSaveQuestion([](const QString &) { return Form1::SaveChoice::Discard; });
        m_form.reset();
    }

    void controlsCarryTheirCaptionsAtTheirTwips()
    {
        Form1 &form = make();
        struct Control {
            const char *name, *caption;
            int left, top, width, height;
        };
        const Control bar[] = {
            {"back", "< back", 0, 120, 735, 255},   {"fwd", "fwd >", 720, 120, 735, 255},
            {"home", "home", 1560, 120, 615, 255},  {"ed", "ed", 2280, 120, 375, 255},
            {"var_name", "1", 3180, 100, 615, 285}, {"go", "go", 3840, 120, 360, 255},
            {"clicknav", "click nav", 4320, 120, 975, 255}, {"status", "status:", 5400, 120, 2295, 285},
        };
        for (const Control &c : bar) {
            QWidget *widget = form.Frame1()->findChild<QWidget *>(c.name);
            QVERIFY2(widget, c.name);
            QCOMPARE(widget->geometry(), twipsRect(c.left, c.top, c.width, c.height));
            QString text;
            if (auto *b = qobject_cast<QAbstractButton *>(widget))
                text = b->text();
            else if (auto *l = qobject_cast<QLabel *>(widget))
                text = l->text();
            else if (auto *e = qobject_cast<QLineEdit *>(widget))
                text = e->text();
            QCOMPARE(text, QString::fromUtf8(c.caption));
        }
        QCOMPARE(form.Frame1()->size(), twipsRect(0, 0, 7815, 495).size());
        QCOMPARE(form.RichTextBox1()->pos(), twipsRect(120, 120, 0, 0).topLeft());
        QCOMPARE(form.Frame1()->findChild<QLabel *>("Label1")->text(), QStringLiteral("page"));
        QCOMPARE(form.windowTitle(), QStringLiteral(" - left click forward, right click back"));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0xE0, 0xE0, 0xE0));

        // The page's texts and the feature boxes, right of the page, with their labels.
        for (const char *name : {"header", "footer", "feature1", "feature2", "feature3"}) {
            QVERIFY2(form.box(name), name);
            QVERIFY(form.box(name)->x() >= platform::twipsToPixelsX(10320));
            QCOMPARE(form.findChild<QLabel *>(QStringLiteral("label ") + name)->text(), QString::fromUtf8(name));
        }
        const QStringList initial = {"150", "699", "5300", "3900", "whowaitsforeveranyway.swf"};
        const QStringList labels = {"top", "left", "width", "height", "flash"};
        const QStringList boxes = {"f1top", "f1left", "f1width", "f1height", "f1link"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(form.box(boxes[i])->text(), initial[i]);
            QCOMPARE(form.findChild<QLabel *>("label " + boxes[i])->text(), labels[i]);
        }
        const QStringList captions = {"save/zap", "left", "center", "right", "B", "get n next", "create quillet db"};
        const QStringList names = {"savezap", "left", "center", "right", "B", "getnnext", "createdb"};
        for (int i = 0; i < names.size(); ++i) {
            QPushButton *button = form.button(names[i]);
            QVERIFY2(button, qPrintable(names[i]));
            QCOMPARE(button->text(), captions[i]);
            QVERIFY(button->x() >= platform::twipsToPixelsX(10320));
            QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(), qPrintable(names[i]));
        }

        EditTools *edit = form.editTools();
        QCOMPARE(edit->objectName(), QStringLiteral("edit"));
        QCOMPARE(edit->windowTitle(), QStringLiteral("quillet edit tools"));
        QCOMPARE(edit->palette().color(QPalette::Window), QColor(0xCC, 0xCC, 0xCC));
        QCOMPARE(edit->saveButton()->text(), QStringLiteral("save"));
        QCOMPARE(edit->wordpadButton()->text(), QStringLiteral("wordpad"));
        QCOMPARE(edit->saveButton()->y(), edit->wordpadButton()->y());
        for (QToolButton *picture : {edit->alignLeftButton(), edit->alignCentreButton(), edit->alignRightButton(),
                                     edit->boldButton()}) {
            QVERIFY(!picture->icon().isNull());
            QVERIFY(!picture->accessibleName().isEmpty());
        }
        QCOMPARE(form.waitWindow()->findChild<QLabel *>()->text(), QStringLiteral("please wait..."));
        QVERIFY(form.waitWindow()->windowFlags() & Qt::FramelessWindowHint);
    }

    void sizeitFollowsTheWindow()
    {
        Form1 &form = make();
        form.resize(platform::twipsToPixelsX(1000), platform::twipsToPixelsY(2000));
        form.sizeit();
        // Within the pixel that twips round to.
        const auto near = [](QSize actual, QSize wanted) {
            return qAbs(actual.width() - wanted.width()) <= 1 && qAbs(actual.height() - wanted.height()) <= 1;
        };
        QVERIFY(near(form.RichTextBox1()->size(), twipsRect(0, 0, 650, 1200).size()));
        // Shown, a resize lays the window out by itself.
        form.show();
        form.resize(platform::twipsToPixelsX(15000), platform::twipsToPixelsY(9000));
        QVERIFY(near(form.RichTextBox1()->size(), twipsRect(0, 0, 14650, 8200).size()));
        QVERIFY(qAbs(form.Frame1()->y() - platform::twipsToPixelsY(9000 - 800)) <= 1);
        // The text wraps before the page's texts that lie over the box.
        QVERIFY(form.RichTextBox1()->rightMargin() >
                form.RichTextBox1()->geometry().right() - platform::twipsToPixelsX(10320));
    }

    void startUpTakesTheConfiguration()
    {
        Form1 &form = make();
        form.startUp(config(QString::fromUtf8("30¬40¬800¬500¬Harbour pages¬none.odb¬edit¬clicknav¬ontop")));
        QCOMPARE(form.windowTitle(), QStringLiteral("Harbour pages"));
        QCOMPARE(form.size(), QSize(800, 500));
        QCOMPARE(form.databaseName(), QStringLiteral("none.odb"));
        QVERIFY(form.button("ed")->isVisible());
        QVERIFY(form.editTools()->isVisible());
        QCOMPARE(form.editTools()->x(), form.frameGeometry().left());
        QCOMPARE(form.editTools()->y(), form.frameGeometry().bottom() + 1);
        QVERIFY(form.clickNav()->isChecked());
        QVERIFY(form.windowFlags() & Qt::WindowStaysOnTopHint);
        // The page loads at once; a database that is not there says so, and the
        // page shows empty.
        QCOMPARE(page(), QStringLiteral("[empty page]"));
        QVERIFY(!m_dialogs->messages.isEmpty());
        QVERIFY(m_dialogs->messages[0].text.startsWith("failed on open userdb in people select"));
        QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("Harbour pages"));
    }

    void editWithACapitalShowsNoTools()
    {
        Form1 &form = make();
        form.startUp(config(QString::fromUtf8("0¬0¬800¬500¬pages¬none.odb¬Edit¬x¬x")));
        QVERIFY(!form.button("ed")->isVisible());
        QVERIFY(!form.editTools()->isVisible());
        QVERIFY(!form.clickNav()->isChecked());
        QVERIFY(!(form.windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void aBadConfigurationStartsWithDefaultsAndSaysOnce()
    {
        Form1 &form = make();
        form.startUp(readQuilletConfig(m_folder->filePath("quillet2.ini")));
        QCOMPARE(form.windowTitle(), QStringLiteral("quillet2"));
        QCOMPARE(form.databaseName(), QStringLiteral("pages.odb"));
        QVERIFY(!form.editTools()->isVisible());
        int aboutConfiguration = 0;
        for (const auto &message : m_dialogs->messages)
            aboutConfiguration += message.text.contains("quillet2.ini") ? 1 : 0;
        QCOMPARE(aboutConfiguration, 1);
    }

    void saveZapPlacesTheFeatureMovie()
    {
        Form1 &form = make();
        form.resize(900, 600);
        form.box("f1top")->setText("300");
        form.box("f1left")->setText("600");
        form.box("f1width")->setText("1500");
        form.box("f1height")->setText("900");
        form.box("f1link")->setText("feature.qml");
        QFile movie(m_folder->filePath("feature.qml"));
        QVERIFY(movie.open(QIODevice::WriteOnly));
        movie.write("import QtQuick\nRectangle { property string cango: \"false\"; color: \"navy\" }\n");
        movie.close();
        click("savezap");
        QCOMPARE(form.box("feature1")->text(), QString::fromUtf8("300¬600¬1500¬900¬feature.qml"));
        QVERIFY(form.pageModified());
        platform::MovieControl *feature = form.featureMovie();
        QVERIFY(feature->isVisibleTo(&form));
        QCOMPARE(feature->geometry(),
                 QRect(form.RichTextBox1()->pos() + twipsRect(600, 300, 0, 0).topLeft(), twipsRect(0, 0, 1500, 900).size()));
        QCOMPARE(feature->MoviePath(), m_folder->filePath("feature.qml"));
        QCOMPARE(feature->GetVariable("cango"), QStringLiteral("true"));
        QCOMPARE(feature->PercentLoaded(), 100);
        // Four pieces place no movie.
        form.box("feature1")->setText(QString::fromUtf8("300¬600¬1500¬900"));
        form.loadfeature();
        QVERIFY(!feature->isVisibleTo(&form));
    }

    void formattingButtonsActOnTheSelection()
    {
        Form1 &form = make();
        RichTextBox *text = form.RichTextBox1();
        text->setPlainText("first\nsecond\nthird");
        QTextCursor cursor(text->document());
        cursor.movePosition(QTextCursor::NextBlock);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
        click("center");
        QCOMPARE(text->document()->findBlockByNumber(0).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignLeft);
        QVERIFY(text->document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHCenter);
        QVERIFY(text->document()->findBlockByNumber(2).blockFormat().alignment() & Qt::AlignHCenter);
        QTest::mouseClick(form.editTools()->alignRightButton(), Qt::LeftButton);
        QVERIFY(text->document()->findBlockByNumber(2).blockFormat().alignment() & Qt::AlignRight);
        click("left");
        QVERIFY(text->document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignLeft);

        // Bold toggles: on for the selection, off again, and on for a mixed selection.
        const auto boldAt = [&](int position) {
            QTextCursor probe(text->document());
            probe.setPosition(position);
            return probe.charFormat().fontWeight() > QFont::Medium;
        };
        click("B");
        QVERIFY(boldAt(8) && boldAt(17));
        QVERIFY(!boldAt(3));
        QTest::mouseClick(form.editTools()->boldButton(), Qt::LeftButton);
        QVERIFY(!boldAt(8) && !boldAt(17));
        QTextCursor mixed(text->document());
        mixed.setPosition(7);
        mixed.setPosition(9, QTextCursor::KeepAnchor);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        mixed.mergeCharFormat(bold);
        text->setTextCursor(cursor);
        click("B");
        QVERIFY(boldAt(8) && boldAt(12));
    }

    void wordpadStartsTheDesktopsWordProcessor()
    {
        Form1 &form = make();
        QTest::mouseClick(form.editTools()->wordpadButton(), Qt::LeftButton);
        const QString command = platform::wordProcessorCommand();
        if (command.isEmpty()) {
            QVERIFY(m_launcher->processes.isEmpty());
        } else {
            QCOMPARE(m_launcher->commandLines(), QStringList{command});
            QCOMPARE(m_launcher->processes[0].state, platform::WindowState::Normal);
        }
    }

    void pagingWithoutANumberGoesNowhere()
    {
        Form1 &form = make();
        form.var_name()->setText("abc");
        form.RichTextBox1()->setPlainText("kept");
        click("fwd");
        click("back");
        QCOMPARE(form.var_name()->text(), QStringLiteral("abc"));
        QCOMPARE(page(), QStringLiteral("kept"));
        QVERIFY(!form.waitWindow()->isVisible());
        QVERIFY(form.button("fwd")->isVisibleTo(&form));
        QVERIFY(m_questions.isEmpty());
    }

    // ---- with the engine ----

    void aSavedPageLoadsBackTheSame()
    {
        REQUIRE_ENGINE();
        RichTextBox *text = m_form->RichTextBox1();
        QCOMPARE(page(), QStringLiteral("[empty page]"));
        QCOMPARE(m_form->box("header")->text(), endOfFileText());
        text->clear();
        typeIntoPage("Harbour ");
        // Keys type ASCII only; the rest comes as an input method gives it.
        text->textCursor().insertText(QString::fromUtf8("café Ωμέγα 港口 🌊"));
        QTextCursor all(text->document());
        all.select(QTextCursor::Document);
        text->setTextCursor(all);
        click("B");
        click("center");
        m_form->box("header")->setText("the header");
        m_form->box("footer")->setText("the footer");
        m_form->box("feature1")->setText("");
        QVERIFY(m_form->pageModified());
        const QByteArray saved = platform::writeRtf(*text->document());
        QTest::mouseClick(m_form->editTools()->saveButton(), Qt::LeftButton);
        QCOMPARE(m_form->editTools()->saveButton()->text(), QStringLiteral("save True"));
        QVERIFY(!m_form->pageModified());
        QVERIFY(m_dialogs->messages.isEmpty());

        click("home");
        QCOMPARE(page(), QString::fromUtf8("Harbour café Ωμέγα 港口 🌊"));
        QCOMPARE(platform::writeRtf(*text->document()), saved);
        QVERIFY(text->document()->firstBlock().blockFormat().alignment() & Qt::AlignHCenter);
        QCOMPARE(m_form->box("header")->text(), QStringLiteral("the header"));
        QCOMPARE(m_form->box("footer")->text(), QStringLiteral("the footer"));
        QVERIFY(m_form->status()->text().startsWith("page loaded: "));
        QVERIFY(m_form->status()->text().endsWith(" Kbytes"));
    }

    void backOnPageOneAndClicksPage()
    {
        REQUIRE_ENGINE();
        click("back");
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("1"));
        QCOMPARE(page(), QStringLiteral("[empty page]"));
        QTest::mouseClick(m_form->RichTextBox1()->viewport(), Qt::RightButton);
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("1"));
        QTest::mouseClick(m_form->RichTextBox1()->viewport(), Qt::LeftButton);
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("2"));
        QTest::mouseClick(m_form->RichTextBox1()->viewport(), Qt::RightButton);
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("1"));
        m_form->clickNav()->setChecked(false);
        QTest::mouseClick(m_form->RichTextBox1()->viewport(), Qt::LeftButton);
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("1"));
        click("fwd");
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("2"));
        QCOMPARE(m_form->editTools()->saveButton()->text(), QStringLiteral("save"));
        QVERIFY(!m_form->waitWindow()->isVisible());
    }

    void unsavedChangesAreNeverLeftSilently()
    {
        REQUIRE_ENGINE();
        m_form->RichTextBox1()->clear();
        typeIntoPage("draft of page one");
        // Cancel: the page and its number stay.
        m_answers << Form1::SaveChoice::Cancel;
        click("fwd");
        QCOMPARE(m_questions, QStringList{"1"});
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("1"));
        QCOMPARE(page(), QStringLiteral("draft of page one"));
        // A new number typed, then "go" with Save: the draft goes to page 1, the page shown.
        m_form->var_name()->setText("5");
        m_answers << Form1::SaveChoice::Save;
        click("go");
        QCOMPARE(m_questions.size(), 2);
        QCOMPARE(m_questions[1], QStringLiteral("1"));
        QCOMPARE(page(), QStringLiteral("[empty page]"));
        click("home");
        QCOMPARE(page(), QStringLiteral("draft of page one"));
        // Discard: the change is dropped and the page left.
        typeIntoPage(" and more");
        m_answers << Form1::SaveChoice::Discard;
        QTest::mouseClick(m_form->RichTextBox1()->viewport(), Qt::LeftButton);
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("2"));
        click("back");
        QCOMPARE(page(), QStringLiteral("draft of page one"));
        // A changed text box counts as a change too; closing asks as well.
        QTest::keyClicks(m_form->box("header"), "x");
        m_answers << Form1::SaveChoice::Cancel;
        QVERIFY(!m_form->close());
        QVERIFY(m_form->isVisible());
        m_answers << Form1::SaveChoice::Discard;
        QVERIFY(m_form->close());
    }

    void aBodyThatIsNotRtfShowsAsText()
    {
        REQUIRE_ENGINE();
        PageRecords records(m_folder->path(), *m_dialogs, QStringLiteral("quillet2"));
        QVERIFY(records.setrecord(m_folder->filePath("pages.odb"), "3", "plain words, caf\xe9"));
        m_form->var_name()->setText("3");
        QTest::keyClick(m_form->var_name(), Qt::Key_Return);
        QCOMPARE(page(), QString::fromUtf8("plain words, café"));
    }

    void getNNextCopiesAPageForward()
    {
        REQUIRE_ENGINE();
        m_form->RichTextBox1()->setPlainText("page one text");
        m_form->box("header")->setText("head one");
        QVERIFY(m_form->saveit());
        click("getnnext");
        QCOMPARE(page(), QStringLiteral("page one text"));
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("2"));
        // Page 9 does not exist: the page says so.
        m_form->var_name()->setText("9");
        click("getnnext");
        QCOMPARE(page(), endOfFileText());
        QCOMPARE(m_form->box("header")->text(), endOfFileText());
        QCOMPARE(m_form->var_name()->text(), QStringLiteral("10"));
    }

    void aSaveThatFailsSaysSaveFalse()
    {
        REQUIRE_ENGINE();
        QVERIFY(QFile::remove(m_folder->filePath("pages.odb")));
        typeIntoPage(" nowhere to go");
        QVERIFY(m_form->pageModified());
        QTest::mouseClick(m_form->editTools()->saveButton(), Qt::LeftButton);
        QCOMPARE(m_form->editTools()->saveButton()->text(), QStringLiteral("save False"));
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.startsWith("failed on open db set"));
        QVERIFY(m_form->pageModified());
    }

    void createQuilletDbMakesTheDatabase()
    {
        REQUIRE_ENGINE();
        QVERIFY(QFile::remove(m_folder->filePath("pages.odb")));
        click("createdb");
        QCOMPARE(m_dialogs->messages.size(), 1);
        QVERIFY(m_dialogs->messages[0].text.startsWith("1\n"));
        OrvexClass db;
        QVERIFY(db.OpenDB(m_folder->filePath("pages.odb"), ORVEX_OPEN_DEFAULT));
        QCOMPARE(db.FieldNum(), 7);
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
