// Makes the demo installation's page database with the page editor's own code:
// the database through "create quillet db", each page through the editor's save
// (its body a document written as RTF, its five texts beside it).
//   makedemopages DEMO_FOLDER PAGES_SOURCE_FOLDER
// The pages are listed in PAGES_SOURCE_FOLDER/pages.txt, one a line:
//   number¬top¬left¬width¬height¬movie¬feature2¬feature3¬header¬footer¬body.html
// (an empty top: no feature movie). The engine library is the one in DEMO_FOLDER.
#include "pageeditor/core/pagerecords.h"
#include "platform/richtext/rtfwriter.h"
#include "platform/settingsfile.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <QTextStream>

#include <cstdio>

namespace {

// Messages go to the build's output; the question before replacing a file is
// answered yes: the build makes the demo database afresh.
class BuildDialogs : public platform::Dialogs {
public:
    platform::MessageResult messageBox(const QString &, const QString &text, platform::MessageButtons buttons) override
    {
        std::fprintf(stderr, "makedemopages: %s\n", qPrintable(QString(text).replace('\n', ' ')));
        return buttons == platform::MessageButtons::YesNo ? platform::MessageResult::Yes : platform::MessageResult::Ok;
    }
    bool inputBox(const QString &, const QString &, QString *, const QString &) override { return false; }
};

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

int main(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makedemopages DEMO_FOLDER PAGES_SOURCE_FOLDER\n");
        return 2;
    }
    const QString demo = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);
    pageeditor::OrvexLibrary library({demo + QStringLiteral("/libOrvex.so")});
    if (!ORVEX_FLAT(library, mOpen) || !ORVEX_FLAT(library, mCreateQuery) || !ORVEX_FLAT(library, mAppendChunk)) {
        // An engine without the flat interface: the demo has no pages yet.
        std::printf("makedemopages: no page database made: %s\n", qPrintable(library.errorText()));
        QFile::remove(demo + QStringLiteral("/pages.odb"));
        return 0;
    }
    BuildDialogs dialogs;
    pageeditor::PageRecords records(demo, dialogs, QStringLiteral("quillet2"), library);
    if (!records.createQuilletDatabase(QStringLiteral("pages.odb")))
        return 1;
    QStringList lines;
    if (!platform::readSettingsLines(source + QStringLiteral("/pages.txt"), &lines))
        return 1;
    for (const QString &line : lines) {
        const QStringList fields = line.split(QChar(0x00AC));
        if (fields.size() != 11)
            continue;
        const QString feature1 = fields[1].isEmpty() ? QString() : fields.mid(1, 5).join(QChar(0x00AC));
        QTextDocument body;
        body.setHtml(readText(source + QLatin1Char('/') + fields[10]));
        if (!records.saveit(QStringLiteral("pages.odb"), fields[0], platform::writeRtf(body),
                            {feature1, fields[6], fields[7], fields[8], fields[9]}))
            return 1;
    }
    std::printf("makedemopages: %lld pages in %s/pages.odb\n", static_cast<long long>(lines.size()), qPrintable(demo));
    return 0;
}
