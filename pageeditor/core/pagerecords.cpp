#include "pageeditor/core/pagerecords.h"

#include "pageeditor/core/orvexclass.h"
#include "platform/programfolder.h"
#include "platform/textcodec.h"

#include <QFileInfo>

#include <climits>

namespace pageeditor {

// The flat functions the page records call directly, with the wrapper's handle.
struct PageFunctions {
    decltype(::mCreateQuery) *createQuery = nullptr;
    decltype(::mQuery) *query = nullptr;
    decltype(::mQueryCount) *queryCount = nullptr;
    decltype(::mQueryFirst) *queryFirst = nullptr;
    decltype(::mQueryErrMsg) *queryErrMsg = nullptr;
    decltype(::mCloseQuery) *closeQuery = nullptr;
    decltype(::mCloseAll) *closeAll = nullptr;
    decltype(::mGetChunkSize) *getChunkSize = nullptr;
    decltype(::mGotoChunkPos) *gotoChunkPos = nullptr;
    decltype(::mGetChunk) *getChunk = nullptr;
    decltype(::mAppendChunk) *appendChunk = nullptr;
    decltype(::mSetFieldStr) *setFieldStr = nullptr;
    decltype(::mInsert) *insert = nullptr;
    decltype(::mUpdate) *update = nullptr;
    decltype(::mFlush) *flush = nullptr;

    // Binds them all (each by name, the first time any page operation runs);
    // false when one is missing, the library telling which.
    bool bind(OrvexLibrary &library)
    {
        createQuery = ORVEX_FLAT(library, mCreateQuery);
        query = ORVEX_FLAT(library, mQuery);
        queryCount = ORVEX_FLAT(library, mQueryCount);
        queryFirst = ORVEX_FLAT(library, mQueryFirst);
        queryErrMsg = ORVEX_FLAT(library, mQueryErrMsg);
        closeQuery = ORVEX_FLAT(library, mCloseQuery);
        closeAll = ORVEX_FLAT(library, mCloseAll);
        getChunkSize = ORVEX_FLAT(library, mGetChunkSize);
        gotoChunkPos = ORVEX_FLAT(library, mGotoChunkPos);
        getChunk = ORVEX_FLAT(library, mGetChunk);
        appendChunk = ORVEX_FLAT(library, mAppendChunk);
        setFieldStr = ORVEX_FLAT(library, mSetFieldStr);
        insert = ORVEX_FLAT(library, mInsert);
        update = ORVEX_FLAT(library, mUpdate);
        flush = ORVEX_FLAT(library, mFlush);
        return createQuery && query && queryCount && queryFirst && queryErrMsg && closeQuery &&
               closeAll && getChunkSize && gotoChunkPos && getChunk && appendChunk &&
               setFieldStr && insert && update && flush;
    }
};

namespace {

QString fromLibrary(const char *text)
{
    return text ? platform::decodeText(QByteArray(text)) : QString();
}

// The query text that selects a page: the field name, "='", the number, "'".
QString pageClause(const QString &field, const QString &page)
{
    return field + QStringLiteral("='") + page + QLatin1Char('\'');
}

const char *const kFieldNames[] = {"var_name", "var_data", "feature1", "feature2",
                                   "feature3", "header",   "footer"};

}  // namespace

QString endOfFileText()
{
    return QStringLiteral(u"\u00acEND OF FILE\u00ac");
}

QString ByteArrayToString(const QByteArray &bytArray)
{
    const qsizetype nul = bytArray.indexOf('\0');
    return platform::decodeText(nul < 0 ? bytArray : bytArray.left(nul));
}

QString pageNumberProblem(const QString &page)
{
    if (page.isEmpty())
        return QStringLiteral("Give a page number first.");
    for (const QChar c : {QLatin1Char('\''), QLatin1Char('['), QLatin1Char(']')}) {
        if (page.contains(c))
            return QStringLiteral("A page number may not hold the character %1; \"%2\" names no page.").arg(c).arg(page);
    }
    if (platform::encodeText(page).size() > pagefield::pageNumberSize)
        return QStringLiteral("A page number is at most %1 bytes long; \"%2\" is longer.")
            .arg(pagefield::pageNumberSize)
            .arg(page);
    return QString();
}

PageRecords::PageRecords(QString folder, platform::Dialogs &dialogs, QString title, OrvexLibrary &library)
    : m_folder(std::move(folder)), m_dialogs(dialogs), m_title(std::move(title)), m_library(library)
{
}

QString PageRecords::pathOf(const QString &databaseName) const
{
    if (databaseName.startsWith(QLatin1Char('/')))
        return databaseName;
    return platform::joinPath(m_folder, databaseName);
}

void PageRecords::status(const QString &text)
{
    if (m_status)
        m_status(text);
}

void PageRecords::letEventsRun()
{
    if (m_letEventsRun)
        m_letEventsRun();
}

// Why opening failed, for the line under the open step's message.
static QString openFailure(OrvexClass &db, const QString &path)
{
    if (!db.CallError().isEmpty())
        return db.CallError();
    if (!QFileInfo::exists(path))
        return path + QStringLiteral(": there is no such file.");
    return path + QStringLiteral(": the file is not a page database the engine can open.");
}

bool PageRecords::openForRead(OrvexClass &db, const QString &path)
{
    if (db.IsOpen() || db.OpenDB(path, ORVEX_OPEN_DEFAULT))
        return true;
    m_dialogs.messageBox(m_title, QStringLiteral("failed on open userdb in people select\n\n") +
                                      openFailure(db, path));
    return false;
}

bool PageRecords::openForWrite(OrvexClass &db, const QString &path)
{
    m_openFailed = false;
    if (db.IsOpen() || db.OpenDB(path, ORVEX_OPEN_DEFAULT))
        return true;
    m_openFailed = true;
    m_writeError = openFailure(db, path);
    m_dialogs.messageBox(m_title, QStringLiteral("failed on open db set\n\n") + m_writeError);
    return false;
}

void PageRecords::finish(OrvexClass &db, int query)
{
    PageFunctions flat;
    flat.bind(m_library);
    if (query >= 0 && flat.closeQuery)
        flat.closeQuery(query);
    db.CloseDB();
    if (flat.closeAll)
        flat.closeAll();
}

// Runs the clause on a new query of the database; the query handle, or -1 with
// *failure telling why when the query could not be made or ran.
static int runQuery(OrvexClass &db, PageFunctions &flat, const QString &clause, QString *failure)
{
    const int query = flat.createQuery(db.Handle());
    if (query < 0) {
        *failure = QStringLiteral("no query could be made on the database");
        return -1;
    }
    if (flat.query(query, platform::encodeText(clause).constData()) != 1) {
        *failure = QStringLiteral("the query %1 failed: %2").arg(clause, fromLibrary(flat.queryErrMsg(query)));
        flat.closeQuery(query);
        return -1;
    }
    return query;
}

QString kilobytesText(qint64 size)
{
    return QString::number(double(size) / 1024.0, 'g', 15).left(6);
}

PageBody PageRecords::getrecord(const QString &targetdbfile, const QString &keyfield, const QString &page,
                                int retindex)
{
    PageBody body;
    const QString path = pathOf(targetdbfile);
    OrvexClass db(m_library);
    if (!openForRead(db, path))
        return body;
    PageFunctions flat;
    if (!flat.bind(m_library)) {
        m_dialogs.messageBox(m_title, m_library.errorText());
        finish(db, -1);
        return body;
    }
    QString failure;
    const int query = runQuery(db, flat, pageClause(keyfield, page), &failure);
    if (query < 0) {
        m_dialogs.messageBox(m_title, QStringLiteral("Page %1 could not be read: %2.").arg(page, failure));
        finish(db, -1);
        return body;
    }
    if (flat.queryCount(query) <= 0) {
        finish(db, query);
        body.outcome = PageBody::Outcome::NotFound;
        return body;
    }
    flat.queryFirst(query);
    const int handle = db.Handle();
    const int size = qMax(0, flat.getChunkSize(handle, retindex));
    // A size beyond the file's own is a damaged reference, not a buffer to make.
    if (size > QFileInfo(path).size()) {
        m_dialogs.messageBox(m_title, QStringLiteral("The body of page %1 is damaged: it claims %2 bytes in a file of %3.")
                                          .arg(page).arg(size).arg(QFileInfo(path).size()));
        finish(db, query);
        return body;
    }
    flat.gotoChunkPos(handle, retindex);
    QByteArray buffer(size, '\0');
    status(QStringLiteral("getting ") + QString::number(size) + QStringLiteral(" bytes"));
    letEventsRun();
    if (size > 0 && flat.getChunk(handle, buffer.data(), size, retindex) != 1) {
        m_dialogs.messageBox(m_title, QStringLiteral("The body of page %1 could not be read: %2")
                                          .arg(page, db.ErrMsg()));
        finish(db, query);
        return body;
    }
    status(QStringLiteral("loading ") + kilobytesText(size) + QStringLiteral(" Kbytes"));
    letEventsRun();
    finish(db, query);
    const qsizetype nul = buffer.indexOf('\0');
    body.bytes = nul < 0 ? buffer : buffer.left(nul);
    body.size = size;
    body.outcome = PageBody::Outcome::Loaded;
    return body;
}

QString PageRecords::getrecordtext(const QString &targetdbfile, const QString &keyfield, const QString &page,
                                   int retindex)
{
    const QString path = pathOf(targetdbfile);
    OrvexClass db(m_library);
    if (!openForRead(db, path))
        return QString();
    PageFunctions flat;
    if (!flat.bind(m_library)) {
        m_dialogs.messageBox(m_title, m_library.errorText());
        finish(db, -1);
        return QString();
    }
    QString failure;
    const int query = runQuery(db, flat, pageClause(keyfield, page), &failure);
    if (query < 0) {
        m_dialogs.messageBox(m_title, QStringLiteral("Page %1 could not be read: %2.").arg(page, failure));
        finish(db, -1);
        return QString();
    }
    if (flat.queryCount(query) <= 0) {
        finish(db, query);
        return endOfFileText();
    }
    flat.queryFirst(query);
    const QString value = db.Field(retindex).toString();
    finish(db, query);
    return value;
}

// The write operations share their steps: open, find the page, make the
// match the current record, write (`write` is told whether the page is new),
// insert or update, close.
bool PageRecords::writePage(const QString &dbfilepath, const QString &key,
                            const std::function<bool(PageFunctions &, int handle, bool isNew)> &write)
{
    m_writeError.clear();
    OrvexClass db(m_library);
    if (!openForWrite(db, dbfilepath))
        return false;
    PageFunctions flat;
    if (!flat.bind(m_library)) {
        m_writeError = m_library.errorText();
        finish(db, -1);
        return false;
    }
    db.MoveFirst(0);
    const int query = runQuery(db, flat, pageClause(QStringLiteral("var_name"), key), &m_writeError);
    if (query < 0) {
        finish(db, -1);
        return false;
    }
    const int count = flat.queryCount(query);
    if (count > 0)
        flat.queryFirst(query);  // the update goes to the record the query matched
    flat.closeQuery(query);
    const int handle = db.Handle();
    bool done;
    if (count <= 0) {
        done = flat.setFieldStr(handle, platform::encodeText(key).constData(), pagefield::var_name) == 1 &&
               write(flat, handle, true) && flat.insert(handle) == 1;
    } else {
        done = write(flat, handle, false) && flat.update(handle) == 1;
    }
    // Saved means in the file: what the engine still holds is written now.
    done = done && flat.flush(handle) == 1;
    if (!done)
        m_writeError = db.ErrMsg();
    db.MoveFirst(0);
    finish(db, -1);
    return done;
}

bool PageRecords::setrecord(const QString &dbfilepath, const QString &key, const QByteArray &value)
{
    if (value.size() > INT_MAX) {
        m_writeError = QStringLiteral("the body is too large");
        return false;
    }
    // The document's RTF bytes go straight into the chunk: no file between.
    return writePage(dbfilepath, key, [&](PageFunctions &flat, int handle, bool) {
        return flat.appendChunk(handle, value.constData(), int(value.size()), pagefield::var_data) == 1;
    });
}

bool PageRecords::setrecordtext(const QString &dbfilepath, const QString &key, const QString &value,
                                int retindex)
{
    const QByteArray text = platform::encodeText(value);
    return writePage(dbfilepath, key, [&](PageFunctions &flat, int handle, bool) {
        return flat.setFieldStr(handle, text.constData(), retindex) == 1;
    });
}

bool PageRecords::saveit(const QString &databaseName, const QString &page, const QByteArray &body,
                         const QStringList &fiveTexts)
{
    // Everything is checked before anything is written, so that a refused
    // page is not left half saved.
    const QString problem = pageNumberProblem(page);
    if (!problem.isEmpty()) {
        m_dialogs.messageBox(m_title, QStringLiteral("Page not saved. ") + problem);
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        const qsizetype length = platform::encodeText(fiveTexts.value(i)).size();
        if (length > pagefield::textSize) {
            m_dialogs.messageBox(m_title, QStringLiteral("Page %1 not saved: the text of %2 is %3 bytes long, "
                                                         "and %2 holds at most %4.")
                                              .arg(page, QLatin1String(kFieldNames[pagefield::feature1 + i]))
                                              .arg(length)
                                              .arg(pagefield::textSize));
            return false;
        }
    }
    const QString path = pathOf(databaseName);
    QStringList notSaved;
    QStringList reasons;
    const auto note = [&](bool written, const char *what) {
        if (written)
            return;
        notSaved << QLatin1String(what);
        if (!m_writeError.isEmpty() && !reasons.contains(m_writeError))
            reasons << m_writeError;
    };
    note(setrecord(path, page, body), "the body");
    // A database that does not open at all has been reported by the open step;
    // the five texts would meet the same closed door.
    if (m_openFailed)
        return false;
    for (int i = 0; i < 5; ++i) {
        const int field = pagefield::feature1 + i;
        note(setrecordtext(path, page, fiveTexts.value(i), field), kFieldNames[field]);
    }
    if (notSaved.isEmpty())
        return true;
    m_dialogs.messageBox(m_title, QStringLiteral("Page %1 was not saved completely. Not saved: %2.\n\n%3")
                                      .arg(page, notSaved.join(QStringLiteral(", ")),
                                           reasons.join(QLatin1Char('\n'))));
    return false;
}

bool PageRecords::createQuilletDatabase(const QString &databaseName)
{
    const QString path = pathOf(databaseName);
    if (QFileInfo::exists(path)) {
        const auto answer = m_dialogs.messageBox(
            m_title,
            QStringLiteral("%1 exists. Replace it with an empty page database? Every page in it is lost.").arg(path),
            platform::MessageButtons::YesNo);
        if (answer != platform::MessageResult::Yes)
            return false;
    }
    auto *createField = ORVEX_FLAT(m_library, mCreateField);
    auto *createKey = ORVEX_FLAT(m_library, mCreateKey);
    auto *createDB = ORVEX_FLAT(m_library, mCreateDB);
    auto *closeAll = ORVEX_FLAT(m_library, mCloseAll);
    auto *errMsg = ORVEX_FLAT(m_library, mGetErrMsg);
    if (!createField || !createKey || !createDB || !closeAll || !errMsg) {
        m_dialogs.messageBox(m_title, m_library.errorText());
        return false;
    }
    // The schema, in this order; the first refusal stops it.
    const bool defined = createField("var_name", ORVEX_TEXT, pagefield::pageNumberSize) == 1 &&
                         createField("var_data", ORVEX_CHUNK, 0) == 1 &&
                         createField("feature1", ORVEX_TEXT, pagefield::textSize) == 1 &&
                         createField("feature2", ORVEX_TEXT, pagefield::textSize) == 1 &&
                         createField("feature3", ORVEX_TEXT, pagefield::textSize) == 1 &&
                         createField("header", ORVEX_TEXT, pagefield::textSize) == 1 &&
                         createField("footer", ORVEX_TEXT, pagefield::textSize) == 1 &&
                         createKey("key_num", ORVEX_KEY_UNIQUE, pagefield::var_name, 0, 0, 0) == 1;
    if (!defined) {
        const QString refusal = fromLibrary(errMsg(-1));
        closeAll();
        m_dialogs.messageBox(m_title, QStringLiteral("The engine refused the page schema: ") + refusal);
        return false;
    }
    const int result = createDB(platform::encodeText(path).constData(), "");
    const QString outcome = result == 1 ? path + QStringLiteral(" was created.")
                                        : path + QStringLiteral(" could not be created: ") + fromLibrary(errMsg(-1));
    m_dialogs.messageBox(m_title, QString::number(result) + QStringLiteral("\n\n") + outcome);
    closeAll();
    return result == 1;
}

}  // namespace pageeditor
