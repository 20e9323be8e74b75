#pragma once
// The playlist editor's 19 slots: the shell's playlist in memory. Playback reads
// slot n's text as the n-th presentation; the editor window shows and edits them.
// Every slot offers the same list: "+Insert", "-Delete", then the files of the
// presentation folder.
#include <QObject>
#include <QString>
#include <QStringList>

class PlaylistModel : public QObject {
    Q_OBJECT
public:
    static constexpr int slotCount = 19;

    // playlistPath: playlist.txt; presentationsFolder: the folder whose files the
    // slot lists offer. Nothing is read until ReloadPlaylist or load_playlist.
    PlaylistModel(const QString &playlistPath, const QString &presentationsFolder,
                  QObject *parent = nullptr);

    static QString insertItem() { return QStringLiteral("+Insert"); }
    static QString deleteItem() { return QStringLiteral("-Delete"); }
    static QString emptySlotMarker() { return QStringLiteral("-choose one-"); }

    // Refills the slot lists from the presentation folder and the slot texts from
    // the playlist file.
    void ReloadPlaylist();
    // Reads playlist.txt into the 19 slot texts (missing lines: empty slots).
    void load_playlist();
    // Writes the 19 slot texts to playlist.txt. False when it could not be written.
    bool save_playlist() const;

    QString slotText(int slot) const;
    QStringList slotTexts() const { return m_slots; }
    void setSlotText(int slot, const QString &text);  // typed or picked text
    QStringList listItems() const { return m_list; }
    // Caption of a slot's number label (1 to 19; set at every refill).
    QString slotLabel(int slot) const { return m_labels.value(slot); }

    // A slot received the keyboard focus: lastValue becomes its text.
    void slotFocused(int slot);
    QString lastValue() const { return m_lastValue; }

    // An item of a slot's list was picked: "+Insert" and "-Delete" edit the
    // playlist, anything else becomes the slot's text.
    void itemPicked(int slot, const QString &item);

    // Inserts an empty slot at `slot`: the slots below move down (the last falls
    // off), the slot below receives lastValue, the slot itself "-choose one-".
    // In the last slot there is no slot below: only that slot is emptied.
    void insertAt(int slot);
    // Removes a slot and closes the gap; the last slot becomes "-choose one-".
    void deleteAt(int slot);

signals:
    void slotsChanged();
    void listChanged();
    // load_playlist found playlist.txt larger than a settings file may be.
    void playlistTooLarge(const QString &path);

private:
    QString m_playlistPath;
    QString m_presentationsFolder;
    QStringList m_slots;
    QStringList m_list;
    QStringList m_labels;
    QString m_lastValue;
};
