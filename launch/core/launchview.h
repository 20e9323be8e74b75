#pragma once
// What the launch window does for the runner. The runner decides; the window only
// shows. Tests put a recorder in its place.
#include "launch/core/entrylayout.h"

#include <QString>

namespace launch {

// The controls of one entry: button `cmd`(entry) and label `Label`(entry).
struct EntryControls {
    int entry = 0;
    EntryGeometry geometry;  // twips
    QString buttonCaption;
    QString buttonToolTip;
    QString labelCaption;
    QString labelToolTip;    // the command list
};

class LaunchView {
public:
    virtual ~LaunchView() = default;

    // Window caption: the title, two spaces, the program folder.
    virtual void setCaption(const QString &caption) = 0;
    // The background picture of the window and of `cmd`(0) and its copies.
    virtual void setPicture(const QString &path) = 0;
    // Sets up `cmd`(0)/`Label`(0), or creates `cmd`(i)/`Label`(i) as copies of them.
    virtual void addEntry(const EntryControls &controls) = 0;
    virtual void setEntryButtonVisible(int entry, bool visible) = 0;
    virtual void setWindowHeight(int twips) = 0;

    // Adds an item to `List1` and shows `Label1` and `List1`.
    virtual void addTimerItem(const QString &item) = 0;
    // Adds an item to `List2` (never shown).
    virtual void addOnCloseItem(const QString &item) = 0;
    // (Re)arms `Timer1`: its next tick comes `milliseconds` from now, then repeats.
    virtual void startTimer1(int milliseconds) = 0;

    // Window top and left, in screen pixels.
    virtual void moveWindow(int top, int left) = 0;
    virtual void minimise() = 0;
    virtual void restore() = 0;
    virtual void maximise() = 0;

    // Lets pending window events run (clicks and ticks may run entries meanwhile).
    virtual void processPendingEvents() = 0;
    // Ends the program: the event loop stops and no on-close entry runs.
    virtual void quit() = 0;
};

}  // namespace launch
