#include "platform/filecopy.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr size_t copyBlockSize = 64 * 1024;
constexpr int temporaryNameAttempts = 100;

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    // Closes now and reports whether the close succeeded (a late write error of
    // some file systems shows here).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool fail(QString *error, const char *what, int errorNumber)
{
    if (error)
        *error = QString::fromLatin1(what) + QStringLiteral(": ") +
                 QString::fromLocal8Bit(std::strerror(errorNumber));
    return false;
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Copies everything readable from `in` to `out`.
bool copyContent(int in, int out, const char **failedStep)
{
    char buffer[copyBlockSize];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *failedStep = "cannot read the file to copy";
            return false;
        }
        if (got == 0)
            return true;
        if (!writeAll(out, buffer, size_t(got))) {
            *failedStep = "cannot write the copy";
            return false;
        }
    }
}

// The file a destination path stands for: the target of a symbolic link, else
// the path itself (also for a link that leads nowhere, which is then replaced).
QByteArray replacedFile(const QByteArray &destination)
{
    struct stat link {};
    if (::lstat(destination.constData(), &link) != 0 || !S_ISLNK(link.st_mode))
        return destination;
    char resolved[PATH_MAX];
    if (!::realpath(destination.constData(), resolved))
        return destination;
    return QByteArray(resolved);
}

// A new hidden file beside `target`, created exclusively with `mode` (the umask
// applies). Returns its descriptor and sets *path, or -1 with errno set.
int createTemporaryBeside(const QByteArray &target, mode_t mode, QByteArray *path)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray() : target.left(slash + 1);
    const QByteArray name = target.mid(slash + 1);
    for (int attempt = 0; attempt < temporaryNameAttempts; ++attempt) {
        *path = folder + '.' + name + '.' +
                QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd = ::open(path->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

void syncFolderOf(const QByteArray &target)
{
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/")
                                                                       : target.left(slash);
    Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The rename is what makes the copy; a folder that cannot be synced (some
    // file systems refuse) still holds it.
    if (dir.get() >= 0)
        ::fsync(dir.get());
}

}  // namespace

bool copyFileAtomically(const QString &source, const QString &destination, QString *error)
{
    const QByteArray sourcePath = QFile::encodeName(source);
    const QByteArray target = replacedFile(QFile::encodeName(destination));
    if (sourcePath.isEmpty() || target.isEmpty())
        return fail(error, "no file named", ENOENT);

    Descriptor in(::open(sourcePath.constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        return fail(error, "cannot open the file to copy", errno);
    struct stat sourceInfo {};
    if (::fstat(in.get(), &sourceInfo) != 0)
        return fail(error, "cannot read the file to copy", errno);
    if (!S_ISREG(sourceInfo.st_mode))
        return fail(error, "the file to copy is not a regular file", EINVAL);

    struct stat targetInfo {};
    const bool targetExists = ::stat(target.constData(), &targetInfo) == 0;
    if (targetExists && targetInfo.st_dev == sourceInfo.st_dev &&
        targetInfo.st_ino == sourceInfo.st_ino)
        return true;  // the same file: it already holds the copy
    if (targetExists && S_ISDIR(targetInfo.st_mode))
        return fail(error, "the destination is a folder", EISDIR);

    QByteArray temporary;
    Descriptor out(createTemporaryBeside(target, sourceInfo.st_mode & 0777, &temporary));
    if (out.get() < 0)
        return fail(error, "cannot create a file in the destination folder", errno);
    const auto abandon = [&](const char *what, int errorNumber) {
        out.close();
        ::unlink(temporary.constData());
        return fail(error, what, errorNumber);
    };

    if (targetExists) {
        // The replaced file keeps its owner (where we may) and its permissions.
        if (::fchown(out.get(), targetInfo.st_uid, targetInfo.st_gid) != 0) {
            // Only the superuser may give a file away; others keep their own.
        }
        if (::fchmod(out.get(), targetInfo.st_mode & 07777) != 0)
            return abandon("cannot set the copy's permissions", errno);
    }
    const char *failedStep = nullptr;
    if (!copyContent(in.get(), out.get(), &failedStep))
        return abandon(failedStep, errno);
    if (::fsync(out.get()) != 0)
        return abandon("cannot write the copy to disk", errno);
    if (!out.close()) {
        const int closeError = errno;
        ::unlink(temporary.constData());
        return fail(error, "cannot write the copy to disk", closeError);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int renameError = errno;
        ::unlink(temporary.constData());
        return fail(error, "cannot replace the file", renameError);
    }
    syncFolderOf(target);
    return true;
}

}  // namespace platform
