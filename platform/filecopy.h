#pragma once
// Copying a file over another so that the file copied over is never left half
// written: the copy goes to a temporary file in the destination's folder, is
// flushed to disk, and only then renamed over the destination. A reader sees the
// old file whole or the new file whole, never a mix.
#include <QString>

namespace platform {

// Copies `source` over `destination` atomically.
// - The temporary file is hidden in the destination's folder (".NAME.XXXXXX"), so
//   that the rename stays within one file system; it is removed on any failure.
// - A destination that exists keeps its permission bits; a new one gets the
//   source's, less the process umask.
// - A destination that is a symbolic link has the file it points to replaced; the
//   link stays.
// - When source and destination are the same file (by device and inode, whatever
//   their paths), nothing is written and the call succeeds: the file already holds
//   what the copy would give.
// Returns false on any failure (source unreadable or not a regular file, folder
// not writable, disk full, interrupted write) with `*error` (when given) set to a
// short English reason; the destination is then exactly as it was before the call.
bool copyFileAtomically(const QString &source, const QString &destination,
                        QString *error = nullptr);

}  // namespace platform
