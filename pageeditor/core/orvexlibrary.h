#pragma once
// The engine's flat functions, reached by name: libOrvex.so is loaded with
// dlopen when the first function is wanted, from the program folder first and
// else by the system's library search, and each function is looked up with
// dlsym at its first call. Nothing links the page editor to the library, so a
// missing or older library is a message, not a program that cannot start.
#include "orvex_flat.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

namespace pageeditor {

class OrvexLibrary {
public:
    // Tries the files in order; a bare name goes through the system's search.
    explicit OrvexLibrary(QStringList candidates);
    ~OrvexLibrary();
    OrvexLibrary(const OrvexLibrary &) = delete;
    OrvexLibrary &operator=(const OrvexLibrary &) = delete;

    // The library beside the program, else "libOrvex.so" by the system's search.
    static OrvexLibrary &besideProgram();

    // The function of that name, or null (with errorText() telling why) when
    // the library cannot be loaded or does not export it.
    template <typename Function>
    Function *function(const char *name)
    {
        return reinterpret_cast<Function *>(symbol(name));
    }

    // Why the last lookup failed; empty after a successful one.
    QString errorText() const { return m_error; }

    // The file that was loaded; empty before the first lookup or after a failed load.
    QString loadedFile() const { return m_loadedFile; }

private:
    void *symbol(const char *name);
    bool load();

    QStringList m_candidates;
    void *m_handle = nullptr;
    bool m_triedLoading = false;
    QString m_loadedFile;
    QString m_error;
    QHash<QByteArray, void *> m_symbols;
};

}  // namespace pageeditor

// The flat function `name` of `library`, typed as orvex_flat.h declares it; null
// when it cannot be bound. decltype keeps the declaration from being linked.
#define ORVEX_FLAT(library, name) ((library).function<decltype(::name)>(#name))
