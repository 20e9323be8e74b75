#pragma once
// The playlist editor window: 19 numbered slot boxes, each an editable drop-down
// box offering "+Insert", "-Delete" and the files of the presentation folder. The
// boxes show the shell's playlist model; picking and typing edit it.
#include "shell/core/edition.h"

#include <QWidget>

class PlaylistModel;
class QComboBox;
class QLabel;
class QPushButton;

class PlaylistEditor : public QWidget {
    Q_OBJECT
public:
    PlaylistEditor(Edition edition, PlaylistModel *model, QWidget *parent = nullptr);

    QComboBox *Combo1(int slot) const { return m_slots.value(slot); }
    QLabel *LabelGuide(int slot) const { return m_labels.value(slot); }
    QPushButton *okButton() const { return m_ok; }

signals:
    void okClicked();  // hide and save (the shell does the rest)
    void closed();     // the window was closed by the user

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refillLists();
    void showSlots();
    int slotOf(QObject *box) const;

    PlaylistModel *m_model;
    QList<QComboBox *> m_slots;
    QList<QLabel *> m_labels;
    QPushButton *m_ok = nullptr;
    bool m_updating = false;
};
