// How long a page takes to save and to load in the page editor, for a page of
// 10 KB and one of 1 MB of RTF: Form1's save (the document written as RTF and the
// six writes of the page) and its page load (the six reads and the RTF read into
// the rich-text box). Beside them, the same document through Qt's own rich-text
// form (toHtml / setHtml), and the RTF writer and reader alone.
//   quillet_page_bench [runs]
#include "pageeditor/core/pagerecords.h"
#include "pageeditor/window/form1.h"
#include "pageeditor/window/richtextbox.h"
#include "platform/richtext/rtfreader.h"
#include "platform/richtext/rtfwriter.h"
#include "platform/testing/recorders.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void addParagraph(QTextCursor &cursor, int paragraph)
{
    static const QStringList families = {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"};
    static const QString words = QString::fromUtf8(
        "The ferry leaves pier two at a quarter past six; café crème on the quay, "
        "Ωμέγα and Привет on the board, 港口 in the morning. ");
    QTextBlockFormat block;
    block.setAlignment(paragraph % 4 == 0 ? Qt::AlignHCenter : Qt::AlignJustify);
    if (paragraph > 0)
        cursor.insertBlock(block);
    else
        cursor.setBlockFormat(block);
    for (int run = 0; run < 4; ++run) {
        QTextCharFormat format;
        format.setFontFamilies({families[(paragraph + run) % 3]});
        format.setFontPointSize(10 + run);
        format.setFontWeight(run == 1 ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run == 2);
        if (run == 3)
            format.setForeground(QColor(0xB0, 0x20, 0x20));
        cursor.insertText(words, format);
    }
}

// A document of formatted paragraphs (runs of several fonts, sizes, bold,
// italic, colours, accented and non-Latin text) whose RTF is `bytes` long, or
// a paragraph more.
void fillDocument(QTextDocument *document, qsizetype bytes)
{
    document->clear();
    QTextCursor cursor(document);
    addParagraph(cursor, 0);
    const qsizetype one = platform::writeRtf(*document).size();
    addParagraph(cursor, 1);
    const qsizetype perParagraph = platform::writeRtf(*document).size() - one;
    int paragraph = 2;
    for (; paragraph < bytes / perParagraph; ++paragraph)
        addParagraph(cursor, paragraph);
    while (platform::writeRtf(*document).size() < bytes)
        addParagraph(cursor, paragraph++);
}

double medianMilliseconds(int runs, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 7;

    QTemporaryDir folder;
    platform::testing::ScriptedDialogs dialogs;
    platform::testing::RecordingLauncher launcher;
    pageeditor::OrvexLibrary &library = pageeditor::OrvexLibrary::besideProgram();
    const bool withEngine = ORVEX_FLAT(library, mOpen) && ORVEX_FLAT(library, mCreateQuery) &&
                            ORVEX_FLAT(library, mAppendChunk);
    Form1 form(folder.path(), dialogs, launcher);
    form.setSaveQuestion([](const QString &) { return Form1::SaveChoice::Discard; });
    if (withEngine) {
        pageeditor::PageRecords records(folder.path(), dialogs, QStringLiteral("quillet2"));
        records.createQuilletDatabase(QStringLiteral("pages.odb"));
    } else {
        std::printf("libOrvex.so has no flat interface yet (%s):\n"
                    "the page editor's save and load are not measured, the RTF parts are.\n\n",
                    qPrintable(library.errorText()));
    }

    std::printf("%-8s %10s %12s %12s %12s %12s %12s %12s\n", "page", "RTF bytes", "save ms", "load ms",
                "RTF write", "RTF read", "Qt toHtml", "Qt setHtml");
    for (const qsizetype size : {qsizetype(10 * 1024), qsizetype(1024 * 1024)}) {
        QTextDocument source;
        fillDocument(&source, size);
        const QByteArray rtf = platform::writeRtf(source);
        const QString html = source.toHtml();

        double save = -1, load = -1;
        if (withEngine) {
            QTextDocument *page = form.RichTextBox1()->document();
            platform::readRtf(rtf, page);
            form.var_name()->setText(QStringLiteral("7"));
            save = medianMilliseconds(runs, [&] { form.saveit(); });
            load = medianMilliseconds(runs, [&] { form.gopage(); });
            if (form.RichTextBox1()->document()->characterCount() != source.characterCount())
                std::printf("(the page loaded back differs from the one saved)\n");
        }
        const double write = medianMilliseconds(runs, [&] { platform::writeRtf(source); });
        const double read = medianMilliseconds(runs, [&] {
            QTextDocument back;
            platform::readRtf(rtf, &back);
        });
        const double toHtml = medianMilliseconds(runs, [&] { source.toHtml(); });
        const double setHtml = medianMilliseconds(runs, [&] {
            QTextDocument back;
            back.setHtml(html);
        });
        const auto figure = [](double ms) { return ms < 0 ? QByteArray("-") : QByteArray::number(ms, 'f', 1); };
        std::printf("%-8s %10lld %12s %12s %12s %12s %12s %12s\n",
                    size < 100000 ? "10 KB" : "1 MB", static_cast<long long>(rtf.size()),
                    figure(save).constData(), figure(load).constData(), figure(write).constData(),
                    figure(read).constData(), figure(toHtml).constData(), figure(setHtml).constData());
    }
    std::printf("\nmedians of %d runs; save and load are Form1's whole operation (six database\n"
                "writes or reads, each opening and closing the file) with the RTF written or read.\n",
                runs);
    return 0;
}
