// OrvexClass over the real libOrvex.so and real database files.
#include "pageeditor/core/orvexclass.h"
#include "pagetesting.h"

#include <QRect>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace pageeditor;

TEST(OrvexClass, ANewObjectOwnsNoHandle)
{
    OrvexClass db;
    EXPECT_EQ(db.Handle(), -1);
}

TEST(OrvexClass, AMissingLibraryFailsTheCallAndSaysWhy)
{
    OrvexLibrary nowhere({QStringLiteral("/nonexistent/libOrvex.so"), QStringLiteral("libOrvexMissing.so")});
    OrvexClass db(nowhere);
    EXPECT_FALSE(db.OpenDB(QStringLiteral("/tmp/x.odb"), ORVEX_OPEN_DEFAULT));
    EXPECT_EQ(db.Handle(), -1);
    EXPECT_TRUE(db.CallError().contains("libOrvex.so could not be loaded")) << db.CallError().toStdString();
    EXPECT_FALSE(db.MoveFirst(0));
    EXPECT_FALSE(db.CallError().isEmpty());
}

class OrvexClassOnFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString missing;
        if (!pagetesting::flatInterfaceAvailable(&missing))
            GTEST_SKIP() << "the flat interface is not in libOrvex.so yet: " << missing.toStdString();
        library = &OrvexLibrary::besideProgram();
        // A table of every kind of field the wrapper converts: text key, int, bool, double.
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateField)("name", ORVEX_TEXT, 20), 1);
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateField)("count", ORVEX_INT, 0), 1);
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateField)("open", ORVEX_BOOL, 0), 1);
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateField)("weight", ORVEX_DOUBLE, 0), 1);
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateKey)("key_num", ORVEX_KEY_UNIQUE, 0, 0, 0, 0), 1);
        path = folder.filePath("table.odb");
        ASSERT_EQ(ORVEX_FLAT(*library, mCreateDB)(path.toUtf8().constData(), "test table"), 1);
    }

    void TearDown() override
    {
        if (library)
            ORVEX_FLAT(*library, mCloseAll)();
    }

    void insert(OrvexClass &db, const QString &name, int count, bool open, double weight)
    {
        ASSERT_TRUE(db.SetFieldStr("name", name));
        ASSERT_TRUE(db.SetField(1, count));
        ASSERT_TRUE(db.SetField("open", open));
        ASSERT_TRUE(db.SetField(3, weight));
        ASSERT_TRUE(db.Insert()) << db.ErrMsg().toStdString();
    }

    QTemporaryDir folder;
    QString path;
    OrvexLibrary *library = nullptr;
};

TEST_F(OrvexClassOnFiles, OpeningOwnsOneHandleAndClosingGivesItBack)
{
    OrvexClass first;
    EXPECT_FALSE(first.IsOpen());
    EXPECT_FALSE(first.OpenDB(folder.filePath("missing.odb"), ORVEX_OPEN_DEFAULT));
    EXPECT_EQ(first.Handle(), -1);
    ASSERT_TRUE(first.OpenDB(path, ORVEX_OPEN_DEFAULT));
    EXPECT_TRUE(first.IsOpen());
    const int handle = first.Handle();
    EXPECT_GE(handle, 0);
    // Opening again closes the first handle, whose number is then free again.
    ASSERT_TRUE(first.OpenDB(path, ORVEX_OPEN_DEFAULT));
    EXPECT_EQ(first.Handle(), handle);
    {
        OrvexClass second;
        ASSERT_TRUE(second.OpenDB(path, ORVEX_OPEN_DEFAULT));
        EXPECT_NE(second.Handle(), handle);  // two objects, two handles of one file
    }
    // The destroyed object closed its handle: the next open takes that slot.
    OrvexClass third;
    ASSERT_TRUE(third.OpenDB(path, ORVEX_OPEN_DEFAULT));
    EXPECT_EQ(third.Handle(), handle + 1);
    first.CloseDB();
    EXPECT_EQ(first.Handle(), -1);
    EXPECT_FALSE(first.IsOpen());
}

TEST_F(OrvexClassOnFiles, SelectorsByNameOrNumberAndConvertedValues)
{
    OrvexClass db;
    ASSERT_TRUE(db.OpenDB(path, ORVEX_OPEN_DEFAULT));
    insert(db, QString::fromUtf8("Ωμέγα"), 7, true, 2.5);
    insert(db, "alpha", -3, false, 0.25);
    EXPECT_EQ(db.RecordNum(), 2);
    EXPECT_EQ(db.FieldNum(), 4);
    EXPECT_EQ(db.FieldName(2), "open");
    EXPECT_EQ(db.FieldNo("weight"), 3);
    EXPECT_EQ(db.FieldType("open"), ORVEX_BOOL);
    EXPECT_EQ(db.FieldSize(0), 20);
    EXPECT_EQ(db.KeyNo("key_num"), 0);
    EXPECT_EQ(db.KeyName(0), "key_num");
    EXPECT_EQ(db.KeyLen("key_num"), 20);
    EXPECT_EQ(db.Description(), "test table");

    // The key's name and its number are the same selector; an unknown name fails.
    ASSERT_TRUE(db.MoveFirst("key_num"));
    EXPECT_EQ(db.FieldStr(0), "alpha");
    ASSERT_TRUE(db.MoveFirst(0));
    EXPECT_EQ(db.FieldStr("name"), "alpha");
    EXPECT_FALSE(db.MoveFirst("no such key"));
    EXPECT_EQ(db.CurKeyNo(), 0);
    ASSERT_TRUE(db.MoveNext(0));
    EXPECT_EQ(db.Field("name").toString(), QString::fromUtf8("Ωμέγα"));
    EXPECT_EQ(db.Field(1).toInt(), 7);
    EXPECT_EQ(db.Field("open"), QVariant(true));
    EXPECT_DOUBLE_EQ(db.Field("weight").toDouble(), 2.5);
    // A bool reads as TRUE or FALSE through FieldStr.
    EXPECT_EQ(db.FieldStr("open"), "TRUE");
    ASSERT_TRUE(db.MovePrev(0));
    EXPECT_EQ(db.FieldStr("open"), "FALSE");
    EXPECT_FALSE(db.MovePrev(0));
    ASSERT_TRUE(db.MoveLast(0));

    // Seeks with a value and with a text; walks that give the key value.
    EXPECT_TRUE(db.StrEqual("key_num", "alpha"));
    EXPECT_EQ(db.Field(1).toInt(), -3);
    EXPECT_TRUE(db.Equal(0, QString::fromUtf8("Ωμέγα")));
    EXPECT_EQ(db.Field(1).toInt(), 7);
    EXPECT_FALSE(db.StrEqual(0, "beta"));
    EXPECT_TRUE(db.StrGreater(0, "alpha"));
    EXPECT_EQ(db.FieldStr(0), QString::fromUtf8("Ωμέγα"));
    QVariant key;
    ASSERT_TRUE(db.KeyFirst("key_num", &key));
    EXPECT_EQ(key.toString(), "alpha");
    ASSERT_TRUE(db.KeyNext(0, &key));
    EXPECT_EQ(key.toString(), QString::fromUtf8("Ωμέγα"));
    EXPECT_FALSE(db.KeyNext(0, &key));

    // Update and delete act on the current record.
    ASSERT_TRUE(db.StrEqual(0, "alpha"));
    ASSERT_TRUE(db.SetField("count", 11));
    ASSERT_TRUE(db.Update());
    ASSERT_TRUE(db.StrEqual(0, "alpha"));
    EXPECT_EQ(db.Field("count").toInt(), 11);
    ASSERT_TRUE(db.Delete());
    EXPECT_EQ(db.RecordNum(), 1);

    // A selector that is neither a name nor a number never reaches the engine.
    EXPECT_FALSE(db.MoveFirst(QVariant(QRect(1, 2, 3, 4))));
    EXPECT_FALSE(db.CallError().isEmpty());
}
