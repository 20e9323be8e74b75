#include "pageeditor/core/orvexclass.h"

#include "platform/textcodec.h"

namespace pageeditor {
namespace {

// A text result of the library: its bytes up to the NUL, decoded by the suite's codec.
QString libraryText(const char *text)
{
    return text ? platform::decodeText(QByteArray(text)) : QString();
}

}  // namespace

OrvexClass::OrvexClass(OrvexLibrary &library) : m_library(library) {}

OrvexClass::~OrvexClass()
{
    CloseDB();
}

// Records why the library or a function could not be bound; false, for the caller to return.
bool OrvexClass::notBound()
{
    m_callError = m_library.errorText();
    return false;
}

bool OrvexClass::selectorNumber(const QVariant &selector, const char *lookup, int *number)
{
    const int type = selector.typeId();
    if (type == QMetaType::QString || type == QMetaType::QByteArray) {
        auto *byName = m_library.function<int(int, const char *)>(lookup);
        if (!byName)
            return notBound();
        *number = byName(m_handle, platform::encodeText(selector.toString()).constData());
        return true;
    }
    bool converted = false;
    *number = selector.toInt(&converted);
    if (!converted) {
        m_callError = QStringLiteral("The selector \"%1\" is neither a name nor a number.").arg(selector.toString());
        return false;
    }
    return true;
}

bool OrvexClass::keyNumber(const QVariant &selector, int *number)
{
    return selectorNumber(selector, "mGetKeyNo", number);
}

bool OrvexClass::fieldNumber(const QVariant &selector, int *number)
{
    return selectorNumber(selector, "mGetFieldNo", number);
}

// Members that take a key selector and answer 1 or 0.
#define ORVEX_KEY_MEMBER(member, flat)                                  \
    bool OrvexClass::member(const QVariant &KeyNo_Name)                 \
    {                                                                   \
        m_callError.clear();                                            \
        int key = -1;                                                   \
        if (!keyNumber(KeyNo_Name, &key))                               \
            return false;                                               \
        auto *function = ORVEX_FLAT(m_library, flat);                   \
        if (!function)                                                  \
            return notBound();                                    \
        return function(m_handle, key) == 1;                            \
    }

// Members that take the handle only and answer 1 or 0.
#define ORVEX_HANDLE_MEMBER(member, flat)                               \
    bool OrvexClass::member()                                           \
    {                                                                   \
        m_callError.clear();                                            \
        auto *function = ORVEX_FLAT(m_library, flat);                   \
        if (!function)                                                  \
            return notBound();                                    \
        return function(m_handle) == 1;                                 \
    }

bool OrvexClass::OpenDB(const QString &FileName, int OpenMode)
{
    CloseDB();
    m_callError.clear();
    auto *open = ORVEX_FLAT(m_library, mOpen);
    if (!open)
        return notBound();
    m_handle = open(platform::encodeText(FileName).constData(), OpenMode);
    return m_handle >= 0;
}

void OrvexClass::CloseDB()
{
    m_callError.clear();
    auto *close = ORVEX_FLAT(m_library, mClose);
    if (!close) {
        notBound();
        return;
    }
    close(m_handle);  // a -1 handle is refused by the library, harmlessly
    m_handle = -1;
}

void OrvexClass::Flush()
{
    m_callError.clear();
    if (auto *flush = ORVEX_FLAT(m_library, mFlush))
        flush(m_handle);
    else
        notBound();
}

ORVEX_HANDLE_MEMBER(IsOpen, mIsDBOpen)
ORVEX_KEY_MEMBER(MoveFirst, mMoveFirst)
ORVEX_KEY_MEMBER(MoveNext, mMoveNext)
ORVEX_KEY_MEMBER(MovePrev, mMovePrev)
ORVEX_KEY_MEMBER(MoveLast, mMoveLast)
ORVEX_HANDLE_MEMBER(Insert, mInsert)
ORVEX_HANDLE_MEMBER(Update, mUpdate)
ORVEX_HANDLE_MEMBER(Delete, mDelete)
ORVEX_KEY_MEMBER(MultiEqual, mMultiEqual)
ORVEX_KEY_MEMBER(MultiGreaterEqual, mMultiGreaterEqual)
ORVEX_KEY_MEMBER(MultiLessEqual, mMultiLessEqual)
ORVEX_KEY_MEMBER(MultiGreater, mMultiGreater)
ORVEX_KEY_MEMBER(MultiLess, mMultiLess)
ORVEX_KEY_MEMBER(MultiKeyFirst, mMultiKeyFirst)
ORVEX_KEY_MEMBER(MultiKeyNext, mMultiKeyNext)
ORVEX_KEY_MEMBER(MultiKeyPrev, mMultiKeyPrev)
ORVEX_KEY_MEMBER(MultiKeyLast, mMultiKeyLast)
ORVEX_KEY_MEMBER(GetLikeNext, mGetLikeNext)
ORVEX_KEY_MEMBER(SavePosition, mSavePosition)
ORVEX_KEY_MEMBER(RestorePosition, mRestorePosition)

// ---- VARIANT values ----

namespace {

// A QVariant as the flat interface takes it. Texts go as code-256 UTF-8 text,
// kept alive in `text` for the call. False when the value has no form there.
bool toVariant(const QVariant &value, VARIANT *out, QByteArray *text)
{
    *out = VARIANT{};
    switch (value.typeId()) {
    case QMetaType::Short:
        out->vt = VT_I2;
        out->iVal = value.value<short>();
        return true;
    case QMetaType::Int:
        out->vt = VT_I4;
        out->lVal = value.toInt();
        return true;
    case QMetaType::Float:
        out->vt = VT_R4;
        out->fltVal = value.toFloat();
        return true;
    case QMetaType::Double:
        out->vt = VT_R8;
        out->dblVal = value.toDouble();
        return true;
    case QMetaType::Bool:
        out->vt = VT_BOOL;
        out->boolVal = value.toBool() ? 1 : 0;
        return true;
    case QMetaType::LongLong:
        out->vt = VT_I8;
        out->llVal = value.toLongLong();
        return true;
    case QMetaType::UInt:
        out->vt = VT_UI4;
        out->ulVal = value.toUInt();
        return true;
    default:
        break;
    }
    if (!value.isValid() || !value.canConvert<QString>())
        return false;
    *text = platform::encodeText(value.toString());
    out->vt = ORVEX_VT_TEXT;
    out->pszVal = text->constData();
    return true;
}

}  // namespace

// A VARIANT the library wrote, as a QVariant; a wide string it made is released.
static QVariant fromVariant(OrvexLibrary &library, VARIANT *value)
{
    switch (value->vt) {
    case VT_I2: return QVariant::fromValue<short>(value->iVal);
    case VT_I4: return QVariant(int(value->lVal));
    case VT_R4: return QVariant(value->fltVal);
    case VT_R8: return QVariant(value->dblVal);
    case VT_BOOL: return QVariant(value->boolVal != 0);
    case VT_BSTR: {
        QString text;
        if (value->bstrVal) {
            auto *length = ORVEX_FLAT(library, SysStringLen);
            const unsigned int units = length ? length(value->bstrVal) : 0;
            text = QString::fromUtf16(value->bstrVal, units);
        }
        if (auto *clear = ORVEX_FLAT(library, VariantClear))
            clear(value);
        return text;
    }
    default: return QVariant();
    }
}

QVariant OrvexClass::Field(const QVariant &FieldNo_Name)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return QVariant();
    auto *get = ORVEX_FLAT(m_library, mGetField);
    if (!get) {
        notBound();
        return QVariant();
    }
    VARIANT value = get(m_handle, field);
    return fromVariant(m_library, &value);
}

bool OrvexClass::SetField(const QVariant &FieldNo_Name, const QVariant &FieldVal)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return false;
    VARIANT value;
    QByteArray text;
    if (!toVariant(FieldVal, &value, &text)) {
        m_callError = QStringLiteral("The value cannot be given to the engine.");
        return false;
    }
    auto *set = ORVEX_FLAT(m_library, mSetField);
    if (!set)
        return notBound();
    return set(m_handle, &value, field) == 1;
}

QString OrvexClass::FieldStr(const QVariant &FieldNo_Name)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return QString();
    auto *get = ORVEX_FLAT(m_library, mGetFieldStr);
    if (!get) {
        notBound();
        return QString();
    }
    return libraryText(get(m_handle, field));
}

bool OrvexClass::SetFieldStr(const QVariant &FieldNo_Name, const QString &FieldVal)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return false;
    auto *set = ORVEX_FLAT(m_library, mSetFieldStr);
    if (!set)
        return notBound();
    return set(m_handle, platform::encodeText(FieldVal).constData(), field) == 1;
}

int OrvexClass::FieldType(const QVariant &FieldNo_Name)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return 0;
    auto *type = ORVEX_FLAT(m_library, mGetFieldType);
    if (!type) {
        notBound();
        return 0;
    }
    return type(m_handle, field);
}

int OrvexClass::FieldSize(const QVariant &FieldNo_Name)
{
    m_callError.clear();
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return 0;
    auto *size = ORVEX_FLAT(m_library, mGetFieldSize);
    if (!size) {
        notBound();
        return 0;
    }
    return size(m_handle, field);
}

QString OrvexClass::FieldName(int FieldNo)
{
    m_callError.clear();
    auto *name = ORVEX_FLAT(m_library, mGetFieldName);
    if (!name) {
        notBound();
        return QString();
    }
    QString text = libraryText(name(m_handle, FieldNo));
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

int OrvexClass::FieldNo(const QString &FieldName)
{
    int number = -1;
    m_callError.clear();
    return fieldNumber(FieldName, &number) ? number : -1;
}

int OrvexClass::FieldNum()
{
    m_callError.clear();
    auto *count = ORVEX_FLAT(m_library, mGetFieldNum);
    if (!count) {
        notBound();
        return 0;
    }
    return count(m_handle);
}

int OrvexClass::RecordNum()
{
    m_callError.clear();
    auto *count = ORVEX_FLAT(m_library, mGetRecordNum);
    if (!count) {
        notBound();
        return 0;
    }
    return count(m_handle);
}

int OrvexClass::KeyNo(const QString &KeyName)
{
    int number = -1;
    m_callError.clear();
    return keyNumber(KeyName, &number) ? number : -1;
}

QString OrvexClass::KeyName(int KeyNo)
{
    m_callError.clear();
    auto *name = ORVEX_FLAT(m_library, mGetKeyName);
    if (!name) {
        notBound();
        return QString();
    }
    return libraryText(name(m_handle, KeyNo));
}

int OrvexClass::KeyLen(const QVariant &KeyNo_Name)
{
    m_callError.clear();
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return 0;
    auto *length = ORVEX_FLAT(m_library, mGetKeyLen);
    if (!length) {
        notBound();
        return 0;
    }
    return length(m_handle, key);
}

int OrvexClass::CurKeyNo()
{
    m_callError.clear();
    auto *current = ORVEX_FLAT(m_library, mGetCurKeyNo);
    if (!current) {
        notBound();
        return -1;
    }
    return current(m_handle);
}

// Seeks with a VARIANT value, and with a text value.
#define ORVEX_SEEK_MEMBERS(member, flat)                                               \
    bool OrvexClass::member(const QVariant &KeyNo_Name, const QVariant &KeyVal)        \
    {                                                                                  \
        m_callError.clear();                                                           \
        int key = -1;                                                                  \
        if (!keyNumber(KeyNo_Name, &key))                                              \
            return false;                                                              \
        VARIANT value;                                                                 \
        QByteArray text;                                                               \
        if (!toVariant(KeyVal, &value, &text)) {                                       \
            m_callError = QStringLiteral("The value cannot be given to the engine.");  \
            return false;                                                              \
        }                                                                              \
        auto *function = ORVEX_FLAT(m_library, m##flat);                               \
        if (!function)                                                                 \
            return notBound();                                                   \
        return function(m_handle, key, &value) == 1;                                   \
    }                                                                                  \
    bool OrvexClass::Str##member(const QVariant &KeyNo_Name, const QString &KeyVal)    \
    {                                                                                  \
        m_callError.clear();                                                           \
        int key = -1;                                                                  \
        if (!keyNumber(KeyNo_Name, &key))                                              \
            return false;                                                              \
        auto *function = ORVEX_FLAT(m_library, mStr##flat);                            \
        if (!function)                                                                 \
            return notBound();                                                   \
        return function(m_handle, key, platform::encodeText(KeyVal).constData()) == 1; \
    }

ORVEX_SEEK_MEMBERS(Equal, Equal)
ORVEX_SEEK_MEMBERS(GreaterEqual, GreaterEqual)
ORVEX_SEEK_MEMBERS(LessEqual, LessEqual)
ORVEX_SEEK_MEMBERS(Greater, Greater)
ORVEX_SEEK_MEMBERS(Less, Less)

bool OrvexClass::SetMultiKeyVal(const QVariant &KeyNo_Name, const QVariant &KeyVal, int Number)
{
    m_callError.clear();
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return false;
    VARIANT value;
    QByteArray text;
    if (!toVariant(KeyVal, &value, &text)) {
        m_callError = QStringLiteral("The value cannot be given to the engine.");
        return false;
    }
    auto *set = ORVEX_FLAT(m_library, mSetMultiKeyVal);
    if (!set)
        return notBound();
    return set(m_handle, key, &value, Number) == 1;
}

bool OrvexClass::StrMultiKeyVal(const QVariant &KeyNo_Name, const QString &KeyVal, int Number)
{
    m_callError.clear();
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return false;
    auto *set = ORVEX_FLAT(m_library, mStrMultiKeyVal);
    if (!set)
        return notBound();
    return set(m_handle, key, platform::encodeText(KeyVal).constData(), Number) == 1;
}

bool OrvexClass::GetMultiKey(const QVariant &KeyNo_Name, QVariant *retKeyVal, int Number)
{
    m_callError.clear();
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return false;
    auto *get = ORVEX_FLAT(m_library, mGetMultiKey);
    if (!get)
        return notBound();
    VARIANT value{};
    const bool found = get(m_handle, key, &value, Number) == 1;
    const QVariant result = fromVariant(m_library, &value);
    if (found && retKeyVal)
        *retKeyVal = result;
    return found;
}

// Key walks that write the key value at the new position.
#define ORVEX_KEY_WALK(member, flat)                                            \
    bool OrvexClass::member(const QVariant &KeyNo_Name, QVariant *retKeyVal)    \
    {                                                                           \
        m_callError.clear();                                                    \
        int key = -1;                                                           \
        if (!keyNumber(KeyNo_Name, &key))                                       \
            return false;                                                       \
        auto *function = ORVEX_FLAT(m_library, flat);                           \
        if (!function)                                                          \
            return notBound();                                            \
        VARIANT value{};                                                        \
        const bool moved = function(m_handle, key, &value) == 1;                \
        const QVariant result = fromVariant(m_library, &value);                 \
        if (moved && retKeyVal)                                                 \
            *retKeyVal = result;                                                \
        return moved;                                                           \
    }

ORVEX_KEY_WALK(KeyFirst, mKeyFirst)
ORVEX_KEY_WALK(KeyNext, mKeyNext)
ORVEX_KEY_WALK(KeyPrev, mKeyPrev)
ORVEX_KEY_WALK(KeyLast, mKeyLast)

bool OrvexClass::GetLike(const QVariant &KeyNo_Name, const QString &strLike, int nCase)
{
    m_callError.clear();
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return false;
    auto *like = ORVEX_FLAT(m_library, mGetLike);
    if (!like)
        return notBound();
    return like(m_handle, key, platform::encodeText(strLike).constData(), nCase) == 1;
}

// Texts of the object.
#define ORVEX_TEXT_MEMBER(member, flat)                 \
    QString OrvexClass::member()                        \
    {                                                   \
        m_callError.clear();                            \
        auto *function = ORVEX_FLAT(m_library, flat);   \
        if (!function) {                                \
            notBound();                            \
            return QString();                           \
        }                                               \
        return libraryText(function(m_handle));         \
    }

ORVEX_TEXT_MEMBER(ErrMsg, mGetErrMsg)
ORVEX_TEXT_MEMBER(Version, mGetVersion)
ORVEX_TEXT_MEMBER(Description, mGetDescription)

}  // namespace pageeditor
