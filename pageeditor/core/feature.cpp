#include "pageeditor/core/feature.h"

#include <QStringList>

namespace pageeditor {
namespace {
const QChar kSeparator(0x00AC);  // "¬"
}

std::optional<FeaturePlacement> parseFeature(const QString &feature1)
{
    const QStringList pieces = feature1.split(kSeparator);
    if (pieces.size() < 5)
        return std::nullopt;
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = pieces[i].trimmed().toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    return FeaturePlacement{numbers[0], numbers[1], numbers[2], numbers[3], pieces[4]};
}

QString featureText(const QString &top, const QString &left, const QString &width, const QString &height,
                    const QString &link)
{
    return QStringList{top, left, width, height, link}.join(kSeparator);
}

}  // namespace pageeditor
