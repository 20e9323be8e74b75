#include "pageeditor/core/quilletconfig.h"

#include "platform/settingsfile.h"

#include <QFileInfo>
#include <QStringList>

namespace pageeditor {
namespace {

const QChar kSeparator(0x00AC);  // "¬"
const char *const kFieldNames[] = {"left", "top", "width", "height", "caption",
                                   "database", "edit", "clicknav", "ontop"};
constexpr int kFieldCount = 9;

QString startsWithDefaults()
{
    return QStringLiteral("The editor starts with its defaults: a centred window titled \"quillet2\", "
                          "the database pages.odb beside the program, no edit tools.");
}

}  // namespace

QuilletConfig parseQuilletConfig(const QString &line, const QString &fileName)
{
    QuilletConfig config;
    const QStringList fields = line.split(kSeparator);
    if (fields.size() < kFieldCount) {
        config.problem = QStringLiteral("The first line of %1 has %2 of the nine fields "
                                        "left¬top¬width¬height¬caption¬database¬edit¬clicknav¬ontop "
                                        "(the first missing: %3). ")
                             .arg(fileName)
                             .arg(line.isEmpty() ? 0 : fields.size())
                             .arg(QLatin1String(kFieldNames[line.isEmpty() ? 0 : fields.size()])) +
                         startsWithDefaults();
        return config;
    }
    QStringList problems;
    int numbers[4] = {};
    bool placed = true;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = fields[i].trimmed().toInt(&ok);
        if (!ok || (i >= 2 && numbers[i] < 1)) {
            problems << QStringLiteral("field %1 (%2) is \"%3\", not a number of pixels%4")
                            .arg(i)
                            .arg(QLatin1String(kFieldNames[i]), fields[i], i >= 2 ? QStringLiteral(" above 0") : QString());
            placed = false;
        }
    }
    if (placed) {
        config.placed = true;
        config.geometry = QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
    }
    if (!fields[4].isEmpty())
        config.caption = fields[4];
    else
        problems << QStringLiteral("field 4 (caption) is empty");
    if (!fields[5].trimmed().isEmpty())
        config.database = fields[5].trimmed();
    else
        problems << QStringLiteral("field 5 (database) is empty");
    config.edit = fields[6] == QLatin1String("edit");
    config.clicknav = fields[7] == QLatin1String("clicknav");
    config.ontop = fields[8] == QLatin1String("ontop");
    if (!problems.isEmpty()) {
        config.problem = QStringLiteral("In %1, %2; the editor uses its default there.")
                             .arg(fileName, problems.join(QStringLiteral("; ")));
    }
    return config;
}

QuilletConfig readQuilletConfig(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    QStringList lines;
    if (!platform::readSettingsLines(path, &lines)) {
        QuilletConfig config;
        config.problem = QStringLiteral("The configuration file %1 could not be read. ").arg(path) +
                         startsWithDefaults();
        return config;
    }
    return parseQuilletConfig(lines.value(0), fileName);
}

}  // namespace pageeditor
