#pragma once
// A throw-away installation for the shell's tests: an installation folder and a
// separate working folder, with helpers to lay out and read back the files.
#include "shell/core/installation.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

class TestInstallation {
public:
    TestInstallation()
    {
        QDir(m_root.path()).mkpath(QStringLiteral("inst/powerpoint.files"));
        QDir(m_root.path()).mkpath(QStringLiteral("work"));
    }

    QString folder() const { return m_root.path() + QStringLiteral("/inst"); }
    QString work() const { return m_root.path() + QStringLiteral("/work"); }
    Installation installation(Edition edition = Edition::Full) const
    {
        return Installation(edition, folder(), work());
    }

    // Writes raw bytes to a file relative to the installation folder.
    void writeFile(const QString &name, const QByteArray &bytes) const { writeAt(folder() + '/' + name, bytes); }
    void writeWorkFile(const QString &name, const QByteArray &bytes) const { writeAt(work() + '/' + name, bytes); }

    // A playlist.txt of the given slot texts, each line ended by CR LF.
    void writePlaylist(const QStringList &entries) const
    {
        QByteArray bytes;
        for (const QString &slot : entries)
            bytes += slot.toUtf8() + "\r\n";
        writeFile(QStringLiteral("playlist.txt"), bytes);
    }
    // Creates presentation files in powerpoint.files.
    void addPresentations(const QStringList &names) const
    {
        for (const QString &name : names)
            writeFile(QStringLiteral("powerpoint.files/") + name, "presentation");
    }

    static QByteArray readAt(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray();
        return file.readAll();
    }
    QByteArray readFile(const QString &name) const { return readAt(folder() + '/' + name); }
    QByteArray readWorkFile(const QString &name) const { return readAt(work() + '/' + name); }

    static void writeAt(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(bytes);
    }

private:
    QTemporaryDir m_root;
};

// 19 slot texts with the given ones first and the rest empty.
inline QStringList slotsOf(const QStringList &first)
{
    QStringList entries = first;
    while (entries.size() < 19)
        entries << QString();
    return entries;
}
