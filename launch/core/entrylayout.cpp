#include "launch/core/entrylayout.h"

namespace launch {

namespace {

int buttonTopOf(int entry)
{
    return EntryLayout::buttonTop + entry * (EntryLayout::buttonHeight + EntryLayout::buttonGap);
}

}  // namespace

bool EntryLayout::shows(const QString &caption)
{
    return !caption.isEmpty() && caption != QLatin1String("[blank]");
}

EntryGeometry EntryLayout::place(int entry, const QString &caption, const QString &labelText)
{
    EntryGeometry geometry;
    geometry.button = QRect(buttonLeft, buttonTopOf(entry), buttonWidth, buttonHeight);
    // `Label`(0) keeps its own top; every later label goes by the button above it.
    const int labelTop = entry == 0 ? firstLabelTop
                                    : buttonTopOf(entry - 1) + buttonHeight + labelBelowButtonBottom;
    int labelLeft = headingLeft;
    if (shows(caption)) {
        geometry.buttonVisible = true;
        labelLeft = geometry.button.left() + geometry.button.width() + labelGap;
    }
    geometry.labelVisible = shows(labelText);
    geometry.label = QRect(labelLeft, labelTop, labelWidth, labelHeight);
    return geometry;
}

int EntryLayout::windowHeight(int entryCount)
{
    if (entryCount <= 0)
        return websiteButton().top() + websiteButton().height() + buttonTop;
    return buttonTopOf(entryCount - 1) + 2 * buttonHeight + 200;
}

}  // namespace launch
