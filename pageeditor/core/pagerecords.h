#pragma once
// Pages as records of an engine database. A page is one record: its number as
// text in `var_name` (the unique key `key_num`), its body (RTF bytes) in the
// chunk field `var_data`, and five short texts: `feature1` (where the feature
// movie goes), `feature2`, `feature3`, `header` and `footer`.
//
// Every read and every write opens the database through a fresh OrvexClass,
// does its work and closes it again (ending with mCloseAll): nothing stays open
// between operations, so another program may use the file meanwhile.
#include "pageeditor/core/orvexlibrary.h"
#include "platform/dialogs.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace pageeditor {

class OrvexClass;
struct PageFunctions;

// The page schema: field numbers, names and sizes.
namespace pagefield {
constexpr int var_name = 0;
constexpr int var_data = 1;
constexpr int feature1 = 2;
constexpr int feature2 = 3;
constexpr int feature3 = 4;
constexpr int header = 5;
constexpr int footer = 6;
constexpr int pageNumberSize = 20;
constexpr int textSize = 120;
}  // namespace pagefield

// What a read gives for a page the database does not hold.
QString endOfFileText();

// The bytes as text (UTF-8, else Windows-1252), cut before the first NUL.
QString ByteArrayToString(const QByteArray &bytArray);

// Why `page` cannot name a page, or the empty text when it can. A page number
// goes between quotes into the query text, so it may not hold "'" (nor the
// brackets the query language counts there), and it must fit the 20 bytes of
// `var_name`, or two numbers could end up naming one record.
QString pageNumberProblem(const QString &page);

// The body of a page as read.
struct PageBody {
    enum class Outcome { Loaded, NotFound, Failed };
    Outcome outcome = Outcome::Failed;
    QByteArray bytes;  // up to the first NUL
    int size = 0;      // the chunk's size as stored
};

// A size in bytes as the status line shows kilobytes: the first six
// characters of the size divided by 1024 ("2" for 2048, "2.9296" for 3000).
QString kilobytesText(qint64 size);

class PageRecords {
public:
    // `folder` is the installation folder; database names are relative to it.
    PageRecords(QString folder, platform::Dialogs &dialogs, QString title,
                OrvexLibrary &library = OrvexLibrary::besideProgram());

    // Where status texts go ("getting 2048 bytes", ...) and what lets pending
    // window events run while a page loads.
    void setStatusSink(std::function<void(const QString &)> sink) { m_status = std::move(sink); }
    void setEventPump(std::function<void()> pump) { m_letEventsRun = std::move(pump); }

    // The title of the message boxes (the window's caption).
    void setTitle(const QString &title) { m_title = title; }

    QString pathOf(const QString &databaseName) const;

    // The body (chunk field `retindex`) of `page`, whose number is compared in
    // field `keyfield` (var_name).
    PageBody getrecord(const QString &targetdbfile, const QString &keyfield, const QString &page,
                       int retindex);
    // Field `retindex` of `page` as text; endOfFileText() when there is no such
    // page; the empty text when the database cannot be read.
    QString getrecordtext(const QString &targetdbfile, const QString &keyfield, const QString &page,
                          int retindex);
    // Writes `value` as the body of page `key` of the database at the full path
    // `dbfilepath`, inserting the page when it does not exist yet.
    bool setrecord(const QString &dbfilepath, const QString &key, const QByteArray &value);
    // Writes `value` into field `retindex` of page `key`, inserting the page when
    // it does not exist yet.
    bool setrecordtext(const QString &dbfilepath, const QString &key, const QString &value,
                       int retindex);

    // Why the last write failed, in words; empty after one that succeeded.
    QString lastWriteError() const { return m_writeError; }

    // Saves a whole page: the body and the five texts (feature1, feature2,
    // feature3, header, footer). True only when all six writes succeeded;
    // otherwise a message box names what was not saved and why.
    bool saveit(const QString &databaseName, const QString &page, const QByteArray &body,
                const QStringList &fiveTexts);

    // Defines the page schema and creates the database file, after asking when
    // a file of that name exists. Tells the outcome in a message box, whose
    // first line is the engine's numeric result. True when a file was made.
    bool createQuilletDatabase(const QString &databaseName);

private:
    bool openForRead(OrvexClass &db, const QString &path);
    bool openForWrite(OrvexClass &db, const QString &path);
    void finish(OrvexClass &db, int query);
    bool writePage(const QString &dbfilepath, const QString &key,
                   const std::function<bool(PageFunctions &, int handle, bool isNew)> &write);
    void status(const QString &text);
    void letEventsRun();

    QString m_folder;
    platform::Dialogs &m_dialogs;
    QString m_title;
    OrvexLibrary &m_library;
    std::function<void(const QString &)> m_status;
    std::function<void()> m_letEventsRun;
    QString m_writeError;
    bool m_openFailed = false;  // the last write could not open the database
};

}  // namespace pageeditor
