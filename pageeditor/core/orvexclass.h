#pragma once
// OrvexClass: one database handle of the engine's flat interface in an object
// with named members. It owns the handle (OpenDB closes whatever it held, CloseDB
// and destruction close it), lets every key and field be named by number or by
// name (a selector holding a string is a name, looked up on every call; anything
// else is converted to a number), turns the flat functions' 1/0 into booleans and
// their UTF-8 texts into QStrings. Everything else is forwarded unchanged.
//
// Failures come back as the flat function answers them (false, -1, 0, an empty
// text) with ErrMsg() telling the engine's reason. A call that never reached the
// engine (the library or the function could not be bound, a selector or value
// that cannot be converted) fails the same way and says why in CallError(); the
// handle stays as it was.
#include "pageeditor/core/orvexlibrary.h"

#include <QString>
#include <QVariant>

namespace pageeditor {

class OrvexClass {
public:
    explicit OrvexClass(OrvexLibrary &library = OrvexLibrary::besideProgram());
    ~OrvexClass();
    OrvexClass(const OrvexClass &) = delete;
    OrvexClass &operator=(const OrvexClass &) = delete;

    // Closes what the object holds, then opens FileName (the page editor passes
    // ORVEX_OPEN_DEFAULT, 66). The new handle, or -1, is kept.
    bool OpenDB(const QString &FileName, int OpenMode);
    void CloseDB();
    void Flush();
    bool IsOpen();
    int Handle() const { return m_handle; }

    bool MoveFirst(const QVariant &KeyNo_Name);
    bool MoveNext(const QVariant &KeyNo_Name);
    bool MovePrev(const QVariant &KeyNo_Name);
    bool MoveLast(const QVariant &KeyNo_Name);
    bool Insert();
    bool Update();
    bool Delete();

    // Field values: numbers as short, int, float or double, bools, texts as QString.
    QVariant Field(const QVariant &FieldNo_Name);
    bool SetField(const QVariant &FieldNo_Name, const QVariant &FieldVal);
    QString FieldStr(const QVariant &FieldNo_Name);
    bool SetFieldStr(const QVariant &FieldNo_Name, const QString &FieldVal);
    int FieldType(const QVariant &FieldNo_Name);
    int FieldSize(const QVariant &FieldNo_Name);
    QString FieldName(int FieldNo);
    int FieldNo(const QString &FieldName);
    int FieldNum();
    int RecordNum();

    int KeyNo(const QString &KeyName);
    QString KeyName(int KeyNo);
    int KeyLen(const QVariant &KeyNo_Name);
    int CurKeyNo();

    bool Equal(const QVariant &KeyNo_Name, const QVariant &KeyVal);
    bool GreaterEqual(const QVariant &KeyNo_Name, const QVariant &KeyVal);
    bool LessEqual(const QVariant &KeyNo_Name, const QVariant &KeyVal);
    bool Greater(const QVariant &KeyNo_Name, const QVariant &KeyVal);
    bool Less(const QVariant &KeyNo_Name, const QVariant &KeyVal);
    bool StrEqual(const QVariant &KeyNo_Name, const QString &KeyVal);
    bool StrGreaterEqual(const QVariant &KeyNo_Name, const QString &KeyVal);
    bool StrLessEqual(const QVariant &KeyNo_Name, const QString &KeyVal);
    bool StrGreater(const QVariant &KeyNo_Name, const QString &KeyVal);
    bool StrLess(const QVariant &KeyNo_Name, const QString &KeyVal);

    bool SetMultiKeyVal(const QVariant &KeyNo_Name, const QVariant &KeyVal, int Number);
    bool StrMultiKeyVal(const QVariant &KeyNo_Name, const QString &KeyVal, int Number);
    bool MultiEqual(const QVariant &KeyNo_Name);
    bool MultiGreaterEqual(const QVariant &KeyNo_Name);
    bool MultiLessEqual(const QVariant &KeyNo_Name);
    bool MultiGreater(const QVariant &KeyNo_Name);
    bool MultiLess(const QVariant &KeyNo_Name);
    bool GetMultiKey(const QVariant &KeyNo_Name, QVariant *retKeyVal, int Number);
    bool MultiKeyFirst(const QVariant &KeyNo_Name);
    bool MultiKeyNext(const QVariant &KeyNo_Name);
    bool MultiKeyPrev(const QVariant &KeyNo_Name);
    bool MultiKeyLast(const QVariant &KeyNo_Name);
    bool KeyFirst(const QVariant &KeyNo_Name, QVariant *retKeyVal);
    bool KeyNext(const QVariant &KeyNo_Name, QVariant *retKeyVal);
    bool KeyPrev(const QVariant &KeyNo_Name, QVariant *retKeyVal);
    bool KeyLast(const QVariant &KeyNo_Name, QVariant *retKeyVal);

    bool GetLike(const QVariant &KeyNo_Name, const QString &strLike, int nCase);
    bool GetLikeNext(const QVariant &KeyNo_Name);
    bool SavePosition(const QVariant &KeyNo_Name);
    bool RestorePosition(const QVariant &KeyNo_Name);

    QString ErrMsg();
    QString Version();
    QString Description();

    // Why the last call did not reach the engine; empty when it did.
    QString CallError() const { return m_callError; }

    OrvexLibrary &library() { return m_library; }

private:
    // A value on its way to the library: the VARIANT, and the UTF-8 bytes a
    // text points to for the length of the call.
    struct Argument {
        VARIANT variant{};
        QByteArray text;
    };

    // Each clears CallError() first and returns false with it set when the
    // call cannot reach the engine.
    bool keyNumber(const QVariant &selector, int *number);
    bool fieldNumber(const QVariant &selector, int *number);
    bool selectorNumber(const QVariant &selector, const char *lookup, int *number);
    bool convert(const QVariant &value, Argument *argument);
    // Calls `function` with the handle and `args`; `failure` when it is not bound.
    template <typename Function, typename Result, typename... Args>
    Result invoke(Function *function, Result failure, Args... args);
    QString text(const char *libraryText);
    QVariant fromVariant(VARIANT *value);
    bool notBound();

    OrvexLibrary &m_library;
    int m_handle = -1;
    QString m_callError;
};

}  // namespace pageeditor
