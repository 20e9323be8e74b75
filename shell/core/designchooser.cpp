#include "shell/core/designchooser.h"

#include "shell/core/shellcore.h"

#include "platform/dialogs.h"
#include "platform/filecopy.h"

#include <algorithm>

namespace {

bool endsWithOneOf(const QString &name, std::initializer_list<const char *> endings)
{
    const QString lastFour = name.right(4).toLower();
    for (const char *ending : endings) {
        if (lastFour == QLatin1String(ending))
            return true;
    }
    return false;
}

// Folder, "/" and name, with doubled separators made single (a volume's mount
// point "/" gives "//name" otherwise).
QString fullPath(const QString &folder, const QString &name)
{
    QString path = folder + QLatin1Char('/') + name;
    while (path.contains(QStringLiteral("//")))
        path.replace(QStringLiteral("//"), QStringLiteral("/"));
    return path;
}

}  // namespace

DesignChooser::DesignChooser(const Installation &installation, platform::Dialogs &dialogs,
                             VolumeList volumes, QObject *parent)
    : QObject(parent), m_installation(installation), m_dialogs(dialogs), m_volumes(std::move(volumes))
{
}

bool DesignChooser::isStyleName(const QString &name)
{
    return endsWithOneOf(name, {".swf", ".qml"});
}

bool DesignChooser::isBackgroundName(const QString &name)
{
    return endsWithOneOf(name, {".jpg", ".swf", "jpeg", ".png", ".qml"});
}

QList<DesignEntry> &DesignChooser::listOf(DesignList list)
{
    return list == DesignList::Styles ? m_styles : m_backgrounds;
}

const QList<DesignEntry> &DesignChooser::entries(DesignList list) const
{
    return list == DesignList::Styles ? m_styles : m_backgrounds;
}

void DesignChooser::reloadfilelist()
{
    m_styles.clear();
    m_backgrounds.clear();
    fill(DesignList::Styles, m_installation.stylesFolder());
    fill(DesignList::Backgrounds, m_installation.backgroundsFolder());
    fill(DesignList::Backgrounds, m_installation.wallpaperFolder());
    emit listChanged(DesignList::Styles);
    emit listChanged(DesignList::Backgrounds);
}

void DesignChooser::fill(DesignList list, const QString &folder)
{
    if (folder.isEmpty())
        return;
    const platform::FolderListing listing = platform::listNormalFiles(folder);
    QList<DesignEntry> &entries = listOf(list);
    for (const QString &name : listing.names) {
        const bool accepted = list == DesignList::Styles ? isStyleName(name) : isBackgroundName(name);
        if (!accepted)
            continue;
        const QString key = fullPath(folder, name);
        for (const DesignEntry &entry : entries) {
            if (entry.key == key) {
                reportListingError(list, duplicateKeyError, duplicateKeyText());
                return;
            }
        }
        entries.append({key, name, DesignEntry::fileImage});
    }
    if (!listing.complete())
        reportListingError(list, listing.errorNumber, listing.errorText);
}

void DesignChooser::reportListingError(DesignList list, int errorNumber, const QString &errorText)
{
    m_dialogs.errorBox(listErrorTitle(), QStringLiteral("Error ") + QString::number(errorNumber) +
                                             QStringLiteral(": ") + errorText);
    QList<DesignEntry> &entries = listOf(list);
    for (const QString &volume : m_volumes()) {
        // Both background folders may fail: the volumes are offered once.
        const bool listed = std::any_of(entries.begin(), entries.end(), [&](const DesignEntry &e) {
            return !e.isFile() && e.key == volume;
        });
        if (!listed)
            entries.append({volume, volume, DesignEntry::driveImage});
    }
}

void DesignChooser::entryDoubleClicked(DesignList list, int index)
{
    const QList<DesignEntry> &entries = listOf(list);
    if (index < 0 || index >= entries.size())
        return;
    const DesignEntry entry = entries.at(index);
    if (!entry.isFile()) {
        listOf(list).clear();
        fill(list, entry.key);
        emit listChanged(list);
        return;
    }
    chooseFile(list, entry.key);
}

void DesignChooser::chooseFile(DesignList list, const QString &path)
{
    const bool style = list == DesignList::Styles;
    const QString target = style ? m_installation.stylePath() : m_installation.backgroundPath();
    QString reason;
    if (!platform::copyFileAtomically(path, target, &reason)) {
        // The old file is whole: the show keeps its design and goes on.
        m_dialogs.messageBox(ShellCore::programTitle(),
                             path + QStringLiteral(" could not be copied over ") + target +
                                 QStringLiteral(" (") + reason + QStringLiteral("). The ") +
                                 (style ? QStringLiteral("style") : QStringLiteral("background")) +
                                 QStringLiteral(" has not been changed."));
        return;
    }
    m_dialogs.messageBox(ShellCore::programTitle(),
                         path +
                             (style ? QStringLiteral(" is the new style. ")
                                    : QStringLiteral(" is the new background.")) +
                             QStringLiteral("\r\nKorvane Tessaly will now restart."));
    emit restartRequested();
}
