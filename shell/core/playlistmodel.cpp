#include "shell/core/playlistmodel.h"

#include "shell/core/playlistfile.h"

#include <QDir>

PlaylistModel::PlaylistModel(const QString &playlistPath, const QString &presentationsFolder,
                             QObject *parent)
    : QObject(parent), m_playlistPath(playlistPath), m_presentationsFolder(presentationsFolder)
{
    for (int slot = 0; slot < slotCount; ++slot) {
        m_slots << QString();
        m_labels << QString();
    }
}

void PlaylistModel::ReloadPlaylist()
{
    m_list.clear();
    m_list << insertItem() << deleteItem();
    for (int slot = 0; slot < slotCount; ++slot)
        m_labels[slot] = QString::number(slot + 1);
    // Every normal file directly in the folder, no hidden files or subfolders, in
    // the order the file system gives them. A folder that cannot be listed adds
    // nothing.
    const QDir folder(m_presentationsFolder);
    m_list << folder.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    emit listChanged();
    load_playlist();
}

void PlaylistModel::load_playlist()
{
    platform::SettingsRead read = platform::SettingsRead::Read;
    m_slots = PlaylistFile::read(m_playlistPath, &read);
    emit slotsChanged();
    if (read == platform::SettingsRead::TooLarge)
        emit playlistTooLarge(m_playlistPath);
}

bool PlaylistModel::save_playlist() const
{
    return PlaylistFile::write(m_playlistPath, m_slots);
}

QString PlaylistModel::slotText(int slot) const
{
    return m_slots.value(slot);
}

void PlaylistModel::setSlotText(int slot, const QString &text)
{
    if (slot < 0 || slot >= slotCount || m_slots.at(slot) == text)
        return;
    m_slots[slot] = text;
    emit slotsChanged();
}

void PlaylistModel::slotFocused(int slot)
{
    if (slot >= 0 && slot < slotCount)
        m_lastValue = m_slots.at(slot);
}

void PlaylistModel::itemPicked(int slot, const QString &item)
{
    if (item == insertItem())
        insertAt(slot);
    else if (item == deleteItem())
        deleteAt(slot);
    else
        setSlotText(slot, item);
}

void PlaylistModel::insertAt(int slot)
{
    if (slot < 0 || slot >= slotCount)
        return;
    if (slot < slotCount - 1) {
        for (int i = slotCount - 2; i >= slot + 1; --i)
            m_slots[i + 1] = m_slots.at(i);
        m_slots[slot + 1] = m_lastValue;
    }
    m_slots[slot] = emptySlotMarker();
    emit slotsChanged();
}

void PlaylistModel::deleteAt(int slot)
{
    if (slot < 0 || slot >= slotCount)
        return;
    for (int i = slot; i < slotCount - 1; ++i)
        m_slots[i] = m_slots.at(i + 1);
    m_slots[slotCount - 1] = emptySlotMarker();
    emit slotsChanged();
}
