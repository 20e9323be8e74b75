#pragma once
// The menu panel that slides over the top of the show. TS: the main menu with its
// groups of buttons above the play strip; TSplayer: its dark blue panel with the
// bottom row. Controls are placed in twips from the panel's top left and carry
// object names after their roles, so that the main window can wire them.
#include "shell/core/edition.h"

#include <QFrame>

class QAbstractButton;
class QComboBox;
class QLabel;
class QPushButton;

class Frame1 : public QFrame {
    Q_OBJECT
public:
    static constexpr int createdWidth = 11415;   // twips
    static constexpr int createdHeight = 3015;   // twips

    explicit Frame1(Edition edition, QWidget *parent = nullptr);

    Edition edition() const { return m_edition; }

    // The control with that object name (nullptr when the build has none).
    QAbstractButton *button(const QString &name) const;
    QComboBox *Combo1() const { return m_combo; }  // TS only
    QLabel *currentfile() const { return m_currentfile; }
    QPushButton *mainMenuToggle() const { return m_mainMenuToggle; }  // TS only

    // At every repaint of the main window: the panel's width (TS: the window's
    // width less 230 twips; TSplayer: the full width) and the title strips
    // stretched to the window's width.
    void fitToWindow(int windowWidth);

private:
    QPushButton *addButton(const QString &name, const QString &caption, int left, int top,
                           int width, int height, const QString &toolTip = QString());
    QLabel *addLabel(const QString &name, const QString &caption, int left, int top, int width,
                     int height);
    QLabel *addTitleStrip(const QString &name, const QString &caption, int top);
    void addGroup(const QString &title, int left, int top, int width, int height);
    void buildFullPanel();
    void buildPlayerPanel();

    Edition m_edition;
    QComboBox *m_combo = nullptr;
    QLabel *m_currentfile = nullptr;
    QPushButton *m_mainMenuToggle = nullptr;
    QList<QLabel *> m_titleStrips;
};
