#pragma once
// What the page editor's tests share: the real libOrvex.so beside the test
// programs, and a folder of the test's own for databases and settings.
#include "pageeditor/core/orvexlibrary.h"

#include <QString>

namespace pagetesting {

// True when the engine library beside the program exports the flat interface;
// else *missing says what is missing, for the skip message.
inline bool flatInterfaceAvailable(QString *missing)
{
    pageeditor::OrvexLibrary &library = pageeditor::OrvexLibrary::besideProgram();
    if (ORVEX_FLAT(library, mOpen) && ORVEX_FLAT(library, mCreateQuery) && ORVEX_FLAT(library, mAppendChunk))
        return true;
    *missing = library.errorText();
    return false;
}

}  // namespace pagetesting
