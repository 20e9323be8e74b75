#pragma once
// A page's feature movie, as its `feature1` text describes it: top offset,
// left offset, width and height in whole twips and the movie's file name in
// the program folder, joined by "¬" (150¬699¬5300¬3900¬whowaitsforeveranyway.swf).
#include <QString>

#include <optional>

namespace pageeditor {

struct FeaturePlacement {
    int top = 0;
    int left = 0;
    int width = 0;
    int height = 0;
    QString movie;
};

// The placement, when the text has five or more pieces whose first four are
// whole numbers; nothing is placed otherwise.
std::optional<FeaturePlacement> parseFeature(const QString &feature1);

// The feature text made of the five placement boxes (what "save/zap" writes).
QString featureText(const QString &top, const QString &left, const QString &width,
                    const QString &height, const QString &link);

}  // namespace pageeditor
