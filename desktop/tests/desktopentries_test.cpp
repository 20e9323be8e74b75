// The desktop entries and icons of an installation staged as a packager does
// (DESTDIR), under a prefix holding characters the desktop-entry rules reserve.
// The entries are read back by this test's own reader of those rules.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString kStage = QStringLiteral(TEST_STAGE);
const QString kPrefix = QStringLiteral(TEST_PREFIX);
const QStringList kPrograms = QStringLiteral(TEST_PROGRAMS).split(u',', Qt::SkipEmptyParts);

// Undoes the string escapes of a value (\s \n \t \r \\).
std::optional<QString> unescape(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size())
            return std::nullopt;
        switch (value[i].unicode()) {
        case 's': out += u' '; break;
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '\\': out += u'\\'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

// The arguments of an Exec value (after unescape): blanks separate them, double
// quotes group, and inside quotes only \" \` \$ \\ are escapes; a reserved
// character outside quotes, or a field code other than %%, breaks the rules.
std::optional<QStringList> execArguments(const QString &exec)
{
    const QString reserved = QStringLiteral("\t\n\"'\\><~|&;$*?#()`");
    QStringList args;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u' ') {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                if (exec[i] == u'"')
                    break;
                if (exec[i] == u'\\') {
                    if (i + 1 >= exec.size() || !QStringLiteral("\"`$\\").contains(exec[i + 1]))
                        return std::nullopt;
                    ++i;
                }
                current += exec[i];
            }
        } else if (reserved.contains(c)) {
            return std::nullopt;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    for (QString &arg : args) {
        QString out;
        for (qsizetype i = 0; i < arg.size(); ++i) {
            if (arg[i] == u'%') {
                if (i + 1 >= arg.size() || arg[i + 1] != u'%')
                    return std::nullopt;
                ++i;
            }
            out += arg[i];
        }
        arg = out;
    }
    return args;
}

// The keys of the [Desktop Entry] group, values unescaped.
QMap<QString, QString> readEntry(const QString &path)
{
    QMap<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (lines.value(0) != QLatin1String("[Desktop Entry]"))
        return keys;
    for (const QString &line : lines.mid(1)) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            keys.insert(line.left(equals), unescape(line.mid(equals + 1)).value_or("<bad escape>"));
    }
    return keys;
}

// desktop-file-validate's complaints about an entry (empty when it is sound).
QString validatorComplaints(const QString &path)
{
    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validator.waitForFinished(30000))
        return QStringLiteral("desktop-file-validate did not run (desktop-file-utils installed?)");
    const QString output = QString::fromUtf8(validator.readAll());
    return validator.exitCode() == 0 ? output : output + QStringLiteral(" (failed)");
}

}  // namespace

TEST(DesktopEntries, EveryProgramHasAnEntryMenusFindThatRunsItFromTheInstallation)
{
    ASSERT_FALSE(kPrograms.isEmpty());
    ASSERT_TRUE(kPrefix.contains(u' ') && kPrefix.contains(u'%'));
    const QString installed = kStage + kPrefix;
    for (const QString &program : kPrograms) {
        SCOPED_TRACE(program.toStdString());
        const QFileInfo binary(installed + "/" + program);
        EXPECT_TRUE(binary.isFile() && binary.isExecutable());

        const QString entryPath = kStage + "/usr/share/applications/tessaly-" + program + ".desktop";
        const QMap<QString, QString> entry = readEntry(entryPath);
        ASSERT_FALSE(entry.isEmpty()) << entryPath.toStdString();
        EXPECT_EQ(entry.value("Type"), "Application");
        EXPECT_FALSE(entry.value("Name").isEmpty());
        const auto args = execArguments(entry.value("Exec"));
        ASSERT_TRUE(args.has_value()) << entry.value("Exec").toStdString();
        EXPECT_EQ(*args, QStringList{kPrefix + "/" + program});
        EXPECT_EQ(entry.value("Path"), kPrefix);
        EXPECT_EQ(entry.value("Icon"), "tessaly-" + program);
        EXPECT_EQ(validatorComplaints(entryPath).toStdString(), "");

        QFile icon(kStage + "/usr/share/icons/hicolor/scalable/apps/tessaly-" + program + ".svg");
        ASSERT_TRUE(icon.open(QIODevice::ReadOnly));
        EXPECT_TRUE(icon.readAll().startsWith("<svg "));
    }
    // Nothing is left where menus do not look.
    EXPECT_FALSE(QFileInfo::exists(installed + "/share/applications"));
}

TEST(DesktopEntries, ReservedCharactersInTheFolderAreQuotedAndEscaped)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList folders = {
        "/opt/tessaly",           "/opt/a \"quoted\" name", "/opt/back\\slash", "/opt/tick`and$dollar",
        "/opt/new\nline\ttab",    "/opt/100% (sure)",       "/opt/it's;&|<>~*?#",
    };
    int n = 0;
    for (const QString &folder : folders) {
        SCOPED_TRACE(folder.toStdString());
        const QString file = dir.filePath(QString("entry-%1.desktop").arg(++n));
        QProcess writer;
        writer.start(QStringLiteral(TEST_CMAKE), {"-DFILE=" + file, "-DPROGRAM=TS", "-DFOLDER=" + folder,
                                                  "-P", QStringLiteral(TEST_WRITE_ENTRY)});
        ASSERT_TRUE(writer.waitForFinished(30000));
        ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
        const QMap<QString, QString> entry = readEntry(file);
        const auto args = execArguments(entry.value("Exec"));
        ASSERT_TRUE(args.has_value()) << entry.value("Exec").toStdString();
        EXPECT_EQ(*args, QStringList{folder + "/TS"});
        EXPECT_EQ(entry.value("Path"), folder);
        EXPECT_EQ(validatorComplaints(file).toStdString(), "");
    }
}
