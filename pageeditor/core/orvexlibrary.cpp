#include "pageeditor/core/orvexlibrary.h"

#include "platform/programfolder.h"

#include <dlfcn.h>

namespace pageeditor {

OrvexLibrary::OrvexLibrary(QStringList candidates) : m_candidates(std::move(candidates)) {}

OrvexLibrary::~OrvexLibrary()
{
    // The library stays loaded: the flat interface's handle tables live in it
    // for the whole process, and other objects may still hold its texts.
}

OrvexLibrary &OrvexLibrary::besideProgram()
{
    static OrvexLibrary library({platform::joinPath(platform::programFolder(), QStringLiteral("libOrvex.so")),
                                 QStringLiteral("libOrvex.so")});
    return library;
}

bool OrvexLibrary::load()
{
    if (m_handle)
        return true;
    if (m_triedLoading)
        return false;
    m_triedLoading = true;
    QStringList reasons;
    for (const QString &candidate : m_candidates) {
        const bool isPath = candidate.contains(QLatin1Char('/'));
        if (isPath && !platform::fileExists(candidate))
            continue;
        dlerror();
        m_handle = dlopen(candidate.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (m_handle) {
            m_loadedFile = candidate;
            return true;
        }
        const char *reason = dlerror();
        reasons << (reason ? QString::fromLocal8Bit(reason) : candidate);
    }
    m_error = QStringLiteral("The engine library libOrvex.so could not be loaded");
    if (!reasons.isEmpty())
        m_error += QStringLiteral(": ") + reasons.join(QStringLiteral("; "));
    else
        m_error += QStringLiteral(" (it is neither beside the program nor on the library path).");
    return false;
}

void *OrvexLibrary::symbol(const char *name)
{
    const auto known = m_symbols.constFind(name);
    if (known != m_symbols.constEnd()) {
        m_error.clear();
        return known.value();
    }
    if (!load())
        return nullptr;  // m_error says why, from the first attempt on
    dlerror();
    void *address = dlsym(m_handle, name);
    if (!address) {
        m_error = QStringLiteral("The engine library %1 has no function %2.")
                      .arg(m_loadedFile, QString::fromLatin1(name));
        return nullptr;
    }
    m_error.clear();
    m_symbols.insert(name, address);
    return address;
}

}  // namespace pageeditor
