// Page records in real database files, through the real libOrvex.so.
#include "pageeditor/core/orvexclass.h"
#include "pageeditor/core/pagerecords.h"
#include "pagetesting.h"
#include "platform/testing/filesizelimit.h"
#include "platform/testing/recorders.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>


using namespace pageeditor;
using platform::testing::ScriptedDialogs;

namespace {

const QStringList kFiveTexts = {QString::fromUtf8("10¬20¬300¬200¬feature.qml"), "second", "third",
                                "Harbour news", "page foot"};

}  // namespace

class PageRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString missing;
        if (!pagetesting::flatInterfaceAvailable(&missing))
            GTEST_SKIP() << "the flat interface is not in libOrvex.so yet: " << missing.toStdString();
        records = std::make_unique<PageRecords>(folder.path(), dialogs, QStringLiteral("quillet2"));
        records->setStatusSink([this](const QString &text) { statuses << text; });
        ASSERT_TRUE(records->createQuilletDatabase("pages.odb"));
        dialogs.messages.clear();
    }

    QString path() const { return folder.filePath("pages.odb"); }

    int recordCount()
    {
        OrvexClass db;
        if (!db.OpenDB(path(), ORVEX_OPEN_DEFAULT))
            return -1;
        return db.RecordNum();
    }

    QStringList fiveTextsOf(const QString &page)
    {
        QStringList texts;
        for (int field = pagefield::feature1; field <= pagefield::footer; ++field)
            texts << records->getrecordtext("pages.odb", "var_name", page, field);
        return texts;
    }

    // `orvex check` of the database: empty when clean, else what it printed.
    QString orvexCheck()
    {
        QProcess orvex;
        orvex.start(QStringLiteral(TEST_PROGRAM_FOLDER "/orvex"), {"check", path()});
        if (!orvex.waitForFinished(60000))
            return "orvex check did not finish";
        return orvex.exitCode() == 0 ? QString() : QString::fromUtf8(orvex.readAll());
    }

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<PageRecords> records;
    QStringList statuses;
};

TEST_F(PageRecordsTest, TheDatabaseHasThePageSchemaToTheByte)
{
    OrvexClass db;
    ASSERT_TRUE(db.OpenDB(path(), ORVEX_OPEN_DEFAULT));
    const char *names[] = {"var_name", "var_data", "feature1", "feature2", "feature3", "header", "footer"};
    const int types[] = {ORVEX_TEXT, ORVEX_CHUNK, ORVEX_TEXT, ORVEX_TEXT, ORVEX_TEXT, ORVEX_TEXT, ORVEX_TEXT};
    const int sizes[] = {20, 0, 120, 120, 120, 120, 120};
    ASSERT_EQ(db.FieldNum(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(db.FieldName(i), names[i]);
        EXPECT_EQ(db.FieldType(i), types[i]);
        if (types[i] == ORVEX_TEXT) {
            EXPECT_EQ(db.FieldSize(i), sizes[i]);
        }
    }
    EXPECT_EQ(db.KeyNo("key_num"), 0);
    EXPECT_EQ(db.KeyLen(0), 20);
    KEY_INFO info{};
    ASSERT_EQ(ORVEX_FLAT(db.library(), mGetKeyInfo)(db.Handle(), 0, &info), 1);
    EXPECT_EQ(info.attribute, ORVEX_KEY_UNIQUE);
    EXPECT_EQ(info.fieldNo[0], 0);
    EXPECT_EQ(info.start[0], 0);
    EXPECT_EQ(info.length[0], 20);
    EXPECT_EQ(db.Description(), "");
    db.CloseDB();
    // The engine's own tool reads it.
    QProcess orvex;
    orvex.start(QStringLiteral(TEST_PROGRAM_FOLDER "/orvex"), {"info", path()});
    ASSERT_TRUE(orvex.waitForFinished(60000));
    const QString info_ = QString::fromUtf8(orvex.readAll());
    EXPECT_EQ(orvex.exitCode(), 0) << info_.toStdString();
    EXPECT_TRUE(info_.contains("key_num")) << info_.toStdString();
    EXPECT_TRUE(info_.contains("var_data"));
}

TEST_F(PageRecordsTest, SavingInsertsOnceThenUpdatesAndReadsBackTheSame)
{
    const QByteArray body = "{\\rtf1 page three\\par}";
    ASSERT_TRUE(records->saveit("pages.odb", "3", body, kFiveTexts));
    EXPECT_EQ(recordCount(), 1);
    PageBody read = records->getrecord("pages.odb", "var_name", "3", pagefield::var_data);
    ASSERT_EQ(read.outcome, PageBody::Outcome::Loaded);
    EXPECT_EQ(read.bytes, body);
    EXPECT_EQ(fiveTextsOf("3"), kFiveTexts);
    EXPECT_EQ(records->getrecordtext("pages.odb", "var_name", "3", pagefield::var_name), "3");

    // Saving again updates that record; the count stays.
    const QByteArray changed = "{\\rtf1 page three, changed \\u960?\\par}";
    QStringList texts = kFiveTexts;
    texts[3] = QString::fromUtf8("Заголовок 港口 🌊");
    ASSERT_TRUE(records->saveit("pages.odb", "3", changed, texts));
    EXPECT_EQ(recordCount(), 1);
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "3", 1).bytes, changed);
    EXPECT_EQ(fiveTextsOf("3"), texts);

    // A second page leaves the first alone.
    ASSERT_TRUE(records->saveit("pages.odb", "12", "{\\rtf1 twelve}", {"", "", "", "", ""}));
    EXPECT_EQ(recordCount(), 2);
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "3", 1).bytes, changed);
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "12", 1).bytes, QByteArray("{\\rtf1 twelve}"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(orvexCheck(), QString());
    // The engine's tool lists the pages with their texts.
    QProcess orvex;
    orvex.start(QStringLiteral(TEST_PROGRAM_FOLDER "/orvex"), {"dump", path()});
    ASSERT_TRUE(orvex.waitForFinished(60000));
    const QString dump = QString::fromUtf8(orvex.readAll());
    EXPECT_EQ(orvex.exitCode(), 0) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QString::fromUtf8("Заголовок 港口 🌊"))) << dump.toStdString();
}

TEST_F(PageRecordsTest, MissingPagesAndPagesWithoutBody)
{
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "9", 1).outcome, PageBody::Outcome::NotFound);
    EXPECT_EQ(records->getrecordtext("pages.odb", "var_name", "9", pagefield::header), endOfFileText());
    // Fields written without a body: the page exists with an empty body.
    ASSERT_TRUE(records->setrecordtext(path(), "4", "only a header", pagefield::header));
    const PageBody body = records->getrecord("pages.odb", "var_name", "4", 1);
    EXPECT_EQ(body.outcome, PageBody::Outcome::Loaded);
    EXPECT_TRUE(body.bytes.isEmpty());
    EXPECT_EQ(records->getrecordtext("pages.odb", "var_name", "4", pagefield::header), "only a header");
}

TEST_F(PageRecordsTest, StatusTextsWhileAPageLoads)
{
    ASSERT_TRUE(records->setrecord(path(), "2", QByteArray(2048, 'x')));
    statuses.clear();
    const PageBody body = records->getrecord("pages.odb", "var_name", "2", 1);
    EXPECT_EQ(body.size, 2048);
    EXPECT_EQ(statuses, QStringList({"getting 2048 bytes", "loading 2 Kbytes"}));
}

TEST_F(PageRecordsTest, APageNumberWithAQuoteNeverReachesAnotherPage)
{
    ASSERT_TRUE(records->saveit("pages.odb", "1", "{\\rtf1 one}", kFiveTexts));
    ASSERT_TRUE(records->saveit("pages.odb", "2", "{\\rtf1 two}", kFiveTexts));
    dialogs.messages.clear();
    EXPECT_FALSE(records->saveit("pages.odb", "1' OR var_name LIKE '%", "{\\rtf1 evil}", {"x", "x", "x", "x", "x"}));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("'"));
    EXPECT_EQ(recordCount(), 2);
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "1", 1).bytes, QByteArray("{\\rtf1 one}"));
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "2", 1).bytes, QByteArray("{\\rtf1 two}"));
    EXPECT_EQ(fiveTextsOf("2"), kFiveTexts);
}

TEST_F(PageRecordsTest, TextsLongerThanTheirFieldsAreRefusedBeforeAnythingIsWritten)
{
    QStringList texts = kFiveTexts;
    texts[4] = QString(121, 'f');
    EXPECT_FALSE(records->saveit("pages.odb", "5", "{\\rtf1 five}", texts));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.contains("footer"));
    EXPECT_EQ(recordCount(), 0);
}

TEST_F(PageRecordsTest, AMissingDatabaseIsReportedOncePerOperation)
{
    QFile::remove(path());
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "1", 1).outcome, PageBody::Outcome::Failed);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("failed on open userdb in people select"));
    EXPECT_TRUE(dialogs.messages[0].text.contains("no such file"));
    EXPECT_EQ(dialogs.messages[0].title, "quillet2");
    dialogs.messages.clear();
    EXPECT_FALSE(records->saveit("pages.odb", "1", "{\\rtf1 x}", kFiveTexts));
    ASSERT_EQ(dialogs.messages.size(), 1);  // one message, not six
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("failed on open db set"));
}

TEST_F(PageRecordsTest, ADamagedDatabaseMakesAMessageNotACrash)
{
    ASSERT_TRUE(records->saveit("pages.odb", "1", QByteArray(5000, 'b'), kFiveTexts));
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray whole = file.readAll();
    // Cut in half, and then every header byte garbled: each read says so.
    for (const QByteArray &damaged : {whole.left(whole.size() / 2), QByteArray(whole.size(), '\xA5')}) {
        file.resize(0);
        file.seek(0);
        file.write(damaged);
        file.flush();
        dialogs.messages.clear();
        const PageBody body = records->getrecord("pages.odb", "var_name", "1", 1);
        EXPECT_NE(body.outcome, PageBody::Outcome::Loaded);
        EXPECT_FALSE(dialogs.messages.isEmpty());
        EXPECT_FALSE(records->saveit("pages.odb", "1", "{\\rtf1 x}", kFiveTexts));
    }
}

TEST_F(PageRecordsTest, ASaveFailingMidwayLeavesTheLastSavedPageWhole)
{
    const QByteArray old = "{\\rtf1 the page as saved before}";
    ASSERT_TRUE(records->saveit("pages.odb", "1", old, kFiveTexts));
    const qint64 size = QFileInfo(path()).size();
    // The file may not grow past its size now: the new body's chunk cannot be written.
    QStringList texts = kFiveTexts;
    texts[3] = "new header";
    bool saved = true;
    {
        platform::testing::FileSizeLimit limit(rlim_t(size + 4096));
        ASSERT_TRUE(limit.active());
        saved = records->saveit("pages.odb", "1", QByteArray(1 << 20, 'n'), texts);
    }
    EXPECT_FALSE(saved);
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().text.contains("the body")) << dialogs.messages.last().text.toStdString();
    // The body is the last one saved, whole; the file is sound.
    EXPECT_EQ(records->getrecord("pages.odb", "var_name", "1", 1).bytes, old);
    EXPECT_EQ(orvexCheck(), QString());
}

TEST_F(PageRecordsTest, CreatingOverAnExistingDatabaseAsksFirst)
{
    ASSERT_TRUE(records->saveit("pages.odb", "1", "{\\rtf1 keep me}", kFiveTexts));
    dialogs.messageAnswers << platform::MessageResult::No;
    EXPECT_FALSE(records->createQuilletDatabase("pages.odb"));
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(recordCount(), 1);
    // Yes replaces it, and the engine's result heads the message.
    dialogs.messages.clear();
    dialogs.messageAnswers << platform::MessageResult::Yes;
    EXPECT_TRUE(records->createQuilletDatabase("pages.odb"));
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].text.startsWith("1\n")) << dialogs.messages[1].text.toStdString();
    EXPECT_EQ(recordCount(), 0);
}
