#include "pageeditor/core/orvexclass.h"

#include "platform/textcodec.h"

namespace pageeditor {

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

template <typename Function, typename Result, typename... Args>
Result OrvexClass::invoke(Function *function, Result failure, Args... args)
{
    if (!function) {
        notBound();
        return failure;
    }
    return function(m_handle, args...);
}

// A text result of the library: its bytes up to the NUL, decoded by the suite's codec.
QString OrvexClass::text(const char *libraryText)
{
    return libraryText ? platform::decodeText(QByteArray(libraryText)) : QString();
}

bool OrvexClass::selectorNumber(const QVariant &selector, const char *lookup, int *number)
{
    m_callError.clear();
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
    if (!converted)
        m_callError = QStringLiteral("The selector \"%1\" is neither a name nor a number.").arg(selector.toString());
    return converted;
}

bool OrvexClass::keyNumber(const QVariant &selector, int *number)
{
    return selectorNumber(selector, "mGetKeyNo", number);
}

bool OrvexClass::fieldNumber(const QVariant &selector, int *number)
{
    return selectorNumber(selector, "mGetFieldNo", number);
}

// A QVariant as the flat interface takes it; texts go as code-256 UTF-8 text.
bool OrvexClass::convert(const QVariant &value, Argument *argument)
{
    VARIANT &out = argument->variant;
    out = VARIANT{};
    switch (value.typeId()) {
    case QMetaType::Short: out.vt = VT_I2; out.iVal = value.value<short>(); return true;
    case QMetaType::Int: out.vt = VT_I4; out.lVal = value.toInt(); return true;
    case QMetaType::Float: out.vt = VT_R4; out.fltVal = value.toFloat(); return true;
    case QMetaType::Double: out.vt = VT_R8; out.dblVal = value.toDouble(); return true;
    case QMetaType::Bool: out.vt = VT_BOOL; out.boolVal = value.toBool() ? 1 : 0; return true;
    case QMetaType::LongLong: out.vt = VT_I8; out.llVal = value.toLongLong(); return true;
    case QMetaType::UInt: out.vt = VT_UI4; out.ulVal = value.toUInt(); return true;
    default: break;
    }
    if (!value.isValid() || !value.canConvert<QString>()) {
        m_callError = QStringLiteral("The value cannot be given to the engine.");
        return false;
    }
    argument->text = platform::encodeText(value.toString());
    out.vt = ORVEX_VT_TEXT;
    out.pszVal = argument->text.constData();
    return true;
}

// A VARIANT the library wrote, as a QVariant; a wide string it made is released.
QVariant OrvexClass::fromVariant(VARIANT *value)
{
    switch (value->vt) {
    case VT_I2: return QVariant::fromValue<short>(value->iVal);
    case VT_I4: return QVariant(int(value->lVal));
    case VT_R4: return QVariant(value->fltVal);
    case VT_R8: return QVariant(value->dblVal);
    case VT_BOOL: return QVariant(value->boolVal != 0);
    case VT_BSTR: {
        QString result;
        if (value->bstrVal) {
            auto *length = ORVEX_FLAT(m_library, SysStringLen);
            result = QString::fromUtf16(value->bstrVal, length ? length(value->bstrVal) : 0);
        }
        if (auto *clear = ORVEX_FLAT(m_library, VariantClear))
            clear(value);
        return result;
    }
    default: return QVariant();
    }
}

bool OrvexClass::OpenDB(const QString &FileName, int OpenMode)
{
    CloseDB();
    m_callError.clear();
    m_handle = -1;
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
    invoke(ORVEX_FLAT(m_library, mFlush), 0);
}

// Members that take the handle only and answer 1 or 0.
#define ORVEX_HANDLE_MEMBER(member, flat)                        \
    bool OrvexClass::member()                                    \
    {                                                            \
        m_callError.clear();                                     \
        return invoke(ORVEX_FLAT(m_library, flat), 0) == 1;      \
    }

// Members that take a key selector and answer 1 or 0.
#define ORVEX_KEY_MEMBER(member, flat)                                               \
    bool OrvexClass::member(const QVariant &KeyNo_Name)                              \
    {                                                                                \
        int key = -1;                                                                \
        return keyNumber(KeyNo_Name, &key) && invoke(ORVEX_FLAT(m_library, flat), 0, key) == 1; \
    }

ORVEX_HANDLE_MEMBER(IsOpen, mIsDBOpen)
ORVEX_HANDLE_MEMBER(Insert, mInsert)
ORVEX_HANDLE_MEMBER(Update, mUpdate)
ORVEX_HANDLE_MEMBER(Delete, mDelete)
ORVEX_KEY_MEMBER(MoveFirst, mMoveFirst)
ORVEX_KEY_MEMBER(MoveNext, mMoveNext)
ORVEX_KEY_MEMBER(MovePrev, mMovePrev)
ORVEX_KEY_MEMBER(MoveLast, mMoveLast)
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

QVariant OrvexClass::Field(const QVariant &FieldNo_Name)
{
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return QVariant();
    VARIANT value = invoke(ORVEX_FLAT(m_library, mGetField), VARIANT{}, field);
    return fromVariant(&value);
}

bool OrvexClass::SetField(const QVariant &FieldNo_Name, const QVariant &FieldVal)
{
    int field = -1;
    Argument value;
    return fieldNumber(FieldNo_Name, &field) && convert(FieldVal, &value) &&
           invoke(ORVEX_FLAT(m_library, mSetField), 0, const_cast<const VARIANT *>(&value.variant), field) == 1;
}

QString OrvexClass::FieldStr(const QVariant &FieldNo_Name)
{
    int field = -1;
    if (!fieldNumber(FieldNo_Name, &field))
        return QString();
    return text(invoke(ORVEX_FLAT(m_library, mGetFieldStr), static_cast<const char *>(nullptr), field));
}

bool OrvexClass::SetFieldStr(const QVariant &FieldNo_Name, const QString &FieldVal)
{
    int field = -1;
    return fieldNumber(FieldNo_Name, &field) &&
           invoke(ORVEX_FLAT(m_library, mSetFieldStr), 0, platform::encodeText(FieldVal).constData(), field) == 1;
}

int OrvexClass::FieldType(const QVariant &FieldNo_Name)
{
    int field = -1;
    return fieldNumber(FieldNo_Name, &field) ? invoke(ORVEX_FLAT(m_library, mGetFieldType), 0, field) : 0;
}

int OrvexClass::FieldSize(const QVariant &FieldNo_Name)
{
    int field = -1;
    return fieldNumber(FieldNo_Name, &field) ? invoke(ORVEX_FLAT(m_library, mGetFieldSize), 0, field) : 0;
}

QString OrvexClass::FieldName(int FieldNo)
{
    m_callError.clear();
    const QString name = text(invoke(ORVEX_FLAT(m_library, mGetFieldName), static_cast<const char *>(nullptr), FieldNo));
    const qsizetype nul = name.indexOf(QChar(0));
    return nul < 0 ? name : name.left(nul);
}

int OrvexClass::FieldNo(const QString &FieldName)
{
    int number = -1;
    return fieldNumber(FieldName, &number) ? number : -1;
}

int OrvexClass::FieldNum()
{
    m_callError.clear();
    return invoke(ORVEX_FLAT(m_library, mGetFieldNum), 0);
}

int OrvexClass::RecordNum()
{
    m_callError.clear();
    return invoke(ORVEX_FLAT(m_library, mGetRecordNum), 0);
}

int OrvexClass::KeyNo(const QString &KeyName)
{
    int number = -1;
    return keyNumber(KeyName, &number) ? number : -1;
}

QString OrvexClass::KeyName(int KeyNo)
{
    m_callError.clear();
    return text(invoke(ORVEX_FLAT(m_library, mGetKeyName), static_cast<const char *>(nullptr), KeyNo));
}

int OrvexClass::KeyLen(const QVariant &KeyNo_Name)
{
    int key = -1;
    return keyNumber(KeyNo_Name, &key) ? invoke(ORVEX_FLAT(m_library, mGetKeyLen), 0, key) : 0;
}

int OrvexClass::CurKeyNo()
{
    m_callError.clear();
    return invoke(ORVEX_FLAT(m_library, mGetCurKeyNo), -1);
}

// Seeks with a VARIANT value, and with a text value.
#define ORVEX_SEEK_MEMBERS(member)                                                                  \
    bool OrvexClass::member(const QVariant &KeyNo_Name, const QVariant &KeyVal)                     \
    {                                                                                               \
        int key = -1;                                                                               \
        Argument value;                                                                             \
        return keyNumber(KeyNo_Name, &key) && convert(KeyVal, &value) &&                            \
               invoke(ORVEX_FLAT(m_library, m##member), 0, key,                                     \
                      const_cast<const VARIANT *>(&value.variant)) == 1;                            \
    }                                                                                               \
    bool OrvexClass::Str##member(const QVariant &KeyNo_Name, const QString &KeyVal)                 \
    {                                                                                               \
        int key = -1;                                                                               \
        return keyNumber(KeyNo_Name, &key) &&                                                       \
               invoke(ORVEX_FLAT(m_library, mStr##member), 0, key,                                  \
                      platform::encodeText(KeyVal).constData()) == 1;                               \
    }

ORVEX_SEEK_MEMBERS(Equal)
ORVEX_SEEK_MEMBERS(GreaterEqual)
ORVEX_SEEK_MEMBERS(LessEqual)
ORVEX_SEEK_MEMBERS(Greater)
ORVEX_SEEK_MEMBERS(Less)

bool OrvexClass::SetMultiKeyVal(const QVariant &KeyNo_Name, const QVariant &KeyVal, int Number)
{
    int key = -1;
    Argument value;
    return keyNumber(KeyNo_Name, &key) && convert(KeyVal, &value) &&
           invoke(ORVEX_FLAT(m_library, mSetMultiKeyVal), 0, key, const_cast<const VARIANT *>(&value.variant),
                  Number) == 1;
}

bool OrvexClass::StrMultiKeyVal(const QVariant &KeyNo_Name, const QString &KeyVal, int Number)
{
    int key = -1;
    return keyNumber(KeyNo_Name, &key) &&
           invoke(ORVEX_FLAT(m_library, mStrMultiKeyVal), 0, key, platform::encodeText(KeyVal).constData(),
                  Number) == 1;
}

bool OrvexClass::GetMultiKey(const QVariant &KeyNo_Name, QVariant *retKeyVal, int Number)
{
    int key = -1;
    if (!keyNumber(KeyNo_Name, &key))
        return false;
    VARIANT value{};
    const bool found = invoke(ORVEX_FLAT(m_library, mGetMultiKey), 0, key, &value, Number) == 1;
    const QVariant result = fromVariant(&value);
    if (found && retKeyVal)
        *retKeyVal = result;
    return found;
}

// Key walks that write the key value at the new position.
#define ORVEX_KEY_WALK(member, flat)                                                      \
    bool OrvexClass::member(const QVariant &KeyNo_Name, QVariant *retKeyVal)              \
    {                                                                                     \
        int key = -1;                                                                     \
        if (!keyNumber(KeyNo_Name, &key))                                                 \
            return false;                                                                 \
        VARIANT value{};                                                                  \
        const bool moved = invoke(ORVEX_FLAT(m_library, flat), 0, key, &value) == 1;      \
        const QVariant result = fromVariant(&value);                                      \
        if (moved && retKeyVal)                                                           \
            *retKeyVal = result;                                                          \
        return moved;                                                                     \
    }

ORVEX_KEY_WALK(KeyFirst, mKeyFirst)
ORVEX_KEY_WALK(KeyNext, mKeyNext)
ORVEX_KEY_WALK(KeyPrev, mKeyPrev)
ORVEX_KEY_WALK(KeyLast, mKeyLast)

bool OrvexClass::GetLike(const QVariant &KeyNo_Name, const QString &strLike, int nCase)
{
    int key = -1;
    return keyNumber(KeyNo_Name, &key) &&
           invoke(ORVEX_FLAT(m_library, mGetLike), 0, key, platform::encodeText(strLike).constData(), nCase) == 1;
}

// Texts of the object.
#define ORVEX_TEXT_MEMBER(member, flat)                                                         \
    QString OrvexClass::member()                                                                \
    {                                                                                           \
        m_callError.clear();                                                                    \
        return text(invoke(ORVEX_FLAT(m_library, flat), static_cast<const char *>(nullptr)));   \
    }

ORVEX_TEXT_MEMBER(ErrMsg, mGetErrMsg)
ORVEX_TEXT_MEMBER(Version, mGetVersion)
ORVEX_TEXT_MEMBER(Description, mGetDescription)

}  // namespace pageeditor
