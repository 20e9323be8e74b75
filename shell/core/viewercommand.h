#pragma once
// The presentation viewer's command, from the first line of powerpoint_location.txt,
// completed with the path of the presentation to show.
#include "platform/settingsfile.h"

#include <QString>

namespace ViewerCommand {

// The first line of the file, the only one read; the empty text when the file is
// missing or empty, or its first line is larger than a settings file may be
// (nothing plays then). `result` (when given) tells how the reading went.
QString read(const QString &path, platform::SettingsRead *result = nullptr);

// The viewer command + the presentation path. When the command ends in a minus
// sign followed by a double quote, those two characters are dropped and the path
// is appended without quotes; otherwise it is appended in double quotes. A blank
// separates the command from the path. A double quote inside the path is escaped
// (\"), so that the path stays one argument. The empty text when the command is
// empty.
QString complete(const QString &viewerCommand, const QString &presentationPath);

}  // namespace ViewerCommand
