#pragma once
// Where the window puts each entry's button `cmd`(i) and label `Label`(i), in twips.
//
// `cmd`(0) stands at left 120, top 120, 1455 x 375; `Label`(0) at top 240, 6855 x 255.
// Each later button is 100 twips below the one before it (hidden or not) and its
// label 300 below that one's bottom. A label sits at left 200, or, beside a visible
// button, 200 to the right of the button.
#include <QRect>
#include <QString>

namespace launch {

struct EntryGeometry {
    QRect button;  // twips
    QRect label;   // twips
    bool buttonVisible = false;
    bool labelVisible = false;
};

class EntryLayout {
public:
    static constexpr int buttonLeft = 120;
    static constexpr int buttonTop = 120;
    static constexpr int buttonWidth = 1455;
    static constexpr int buttonHeight = 375;
    static constexpr int firstLabelTop = 240;
    static constexpr int labelWidth = 6855;
    static constexpr int labelHeight = 255;
    static constexpr int headingLeft = 200;
    static constexpr int labelGap = 200;
    static constexpr int buttonGap = 100;
    static constexpr int labelBelowButtonBottom = 300;
    static constexpr int clientWidth = 7065;

    // `Command1`, the web-site button.
    static constexpr QRect websiteButton() { return QRect(6720, 120, 255, 255); }

    // "[blank]" and the empty text stand for "nothing to show".
    static bool shows(const QString &caption);

    // Places entry `entry` with button caption `caption` and label text `labelText`.
    static EntryGeometry place(int entry, const QString &caption, const QString &labelText);

    // The window height once `entryCount` entries are placed: the last button's top,
    // twice a button's height and 200. Without entries the window is just tall enough
    // for the web-site button and a margin below it.
    static int windowHeight(int entryCount);
};

}  // namespace launch
