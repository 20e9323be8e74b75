#include "platform/launcher.h"

#include "platform/commandline.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <sys/wait.h>

using platform::OpenPlan;
using platform::planOpenTarget;
using platform::resolveProgram;

namespace {

// Each test runs in a fresh working directory with a PATH of the test's own.
class Launching : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_savedCwd = QDir::currentPath();
        m_savedPath = qgetenv("PATH");
        QDir(m_root.path()).mkpath(QStringLiteral("work"));
        QDir(m_root.path()).mkpath(QStringLiteral("bin"));
        QDir(m_root.path()).mkpath(QStringLiteral("docs"));
        ASSERT_TRUE(QDir::setCurrent(work()));
        qputenv("PATH", bin().toLocal8Bit() + ":/usr/bin:/bin");
    }

    void TearDown() override
    {
        QDir::setCurrent(m_savedCwd);
        qputenv("PATH", m_savedPath);
    }

    QString work() const { return m_root.filePath(QStringLiteral("work")); }
    QString bin() const { return m_root.filePath(QStringLiteral("bin")); }
    QString docs() const { return m_root.filePath(QStringLiteral("docs")); }

    static QString makeFile(const QString &path, const QByteArray &content, bool executable)
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            permissions |= QFile::ExeOwner;
        file.setPermissions(permissions);
        return path;
    }

    static QString makeScript(const QString &path)
    {
        return makeFile(path, "#!/bin/sh\nexit 0\n", true);
    }

    QTemporaryDir m_root;
    QString m_savedCwd;
    QByteArray m_savedPath;
};

}  // namespace

TEST_F(Launching, SuiteProgramNamesMapAndAreFoundInTheWorkingDirectory)
{
    const QString ts = makeScript(QDir(work()).filePath(QStringLiteral("TS")));
    const QString pu = makeScript(QDir(work()).filePath(QStringLiteral("TSPowerUser")));
    EXPECT_EQ(resolveProgram(QStringLiteral("ts.exe")), ts);
    EXPECT_EQ(resolveProgram(QStringLiteral("TS.EXE")), ts);
    EXPECT_EQ(resolveProgram(QStringLiteral("TSPowerUser.exe")), pu);
    EXPECT_EQ(resolveProgram(QStringLiteral("tspoweruser.exe")), pu);
}

TEST_F(Launching, UnfoundNamesComeBackMapped)
{
    EXPECT_EQ(resolveProgram(QStringLiteral("zandro.exe")), QStringLiteral("zandro"));
    EXPECT_EQ(resolveProgram(QStringLiteral("SPLASH.EXE")), QStringLiteral("splash"));
    EXPECT_EQ(resolveProgram(QStringLiteral("Help.Exe")), QStringLiteral("help"));
    EXPECT_EQ(resolveProgram(QStringLiteral("someviewer.Exe")), QStringLiteral("someviewer"));
    EXPECT_EQ(resolveProgram(QStringLiteral("tessaly-nowhere")), QStringLiteral("tessaly-nowhere"));
    EXPECT_EQ(resolveProgram(QString()), QString());
}

TEST_F(Launching, WorkingDirectoryComesBeforePathAndOnlyExecutablesCount)
{
    const QString onPath = makeScript(QDir(bin()).filePath(QStringLiteral("zandro")));
    EXPECT_EQ(resolveProgram(QStringLiteral("zandro.exe")), onPath);

    // A plain file of that name in the working directory is not a program.
    makeFile(QDir(work()).filePath(QStringLiteral("zandro")), "text", false);
    EXPECT_EQ(resolveProgram(QStringLiteral("zandro.exe")), onPath);

    const QString here = makeScript(QDir(work()).filePath(QStringLiteral("zandro")));
    EXPECT_EQ(resolveProgram(QStringLiteral("zandro.exe")), here);
}

TEST_F(Launching, PathsAreNotSearched)
{
    makeScript(QDir(bin()).filePath(QStringLiteral("tool")));
    EXPECT_EQ(resolveProgram(QStringLiteral("/somewhere/else/tool.exe")),
              QStringLiteral("/somewhere/else/tool"));
    // A relative path names a file below the working directory.
    EXPECT_EQ(resolveProgram(QStringLiteral("flash/Install Flash Player 7 AX.exe")),
              QDir(work()).filePath(QStringLiteral("flash/Install Flash Player 7 AX")));
}

TEST_F(Launching, UrlsGoToXdgOpen)
{
    for (const QString &url : {QStringLiteral("http://www.example.org/"),
                              QStringLiteral("https://example.org/a?b=c"),
                              QStringLiteral("mailto:someone@example.org")}) {
        const OpenPlan plan = planOpenTarget(url, docs());
        EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate) << url.toStdString();
        EXPECT_EQ(plan.program, QStringLiteral("xdg-open"));
        EXPECT_EQ(plan.arguments, QStringList{url});
        EXPECT_EQ(plan.workingFolder, docs());
    }
    const OpenPlan www = planOpenTarget(QStringLiteral("www.example.org"), QString());
    EXPECT_EQ(www.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(www.arguments, QStringList{QStringLiteral("http://www.example.org")});
}

TEST_F(Launching, AFileWhoseNameLooksLikeAnAddressIsTheFile)
{
    // A colon is an ordinary character in a file name here ("backup-12:30.odp").
    const QString saved = makeFile(QDir(docs()).filePath(QStringLiteral("backup-12:30.odp")), "PK", false);
    const OpenPlan plan = planOpenTarget(QStringLiteral("backup-12:30.odp"), docs());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(plan.arguments, QStringList{saved});
    // Without such a file, the same text is an address.
    EXPECT_EQ(planOpenTarget(QStringLiteral("backup-12:30.odp"), work()).arguments,
              QStringList{QStringLiteral("backup-12:30.odp")});
}

TEST_F(Launching, ProgramFilesStartAndDocumentsAreAssociated)
{
    const QString script = makeScript(QDir(docs()).filePath(QStringLiteral("run.sh")));
    const QString document = makeFile(QDir(docs()).filePath(QStringLiteral("notes.txt")), "hi", false);
    // Executable but no program: as documents on file systems that mark all files so.
    const QString marked = makeFile(QDir(docs()).filePath(QStringLiteral("slides.odp")), "PK..", true);

    OpenPlan plan = planOpenTarget(QStringLiteral("run.sh"), docs());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Start);
    EXPECT_EQ(plan.program, script);
    EXPECT_TRUE(plan.arguments.isEmpty());
    EXPECT_EQ(plan.workingFolder, docs());

    plan = planOpenTarget(QStringLiteral("notes.txt"), docs());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(plan.program, QStringLiteral("xdg-open"));
    EXPECT_EQ(plan.arguments, QStringList{document});

    plan = planOpenTarget(marked, QString());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(plan.arguments, QStringList{marked});

    // A folder is opened by association (the file manager).
    plan = planOpenTarget(docs(), work());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(plan.arguments, QStringList{docs()});
    EXPECT_EQ(plan.workingFolder, work());
}

TEST_F(Launching, RelativeTargetsAreTakenInTheWorkingFolder)
{
    makeFile(QDir(docs()).filePath(QStringLiteral("notes.txt")), "hi", false);
    // Not in the current directory, so without a working folder it is nothing.
    EXPECT_EQ(planOpenTarget(QStringLiteral("notes.txt"), QString()).kind, OpenPlan::Kind::Nothing);
    EXPECT_EQ(planOpenTarget(QStringLiteral("notes.txt"), docs()).kind, OpenPlan::Kind::Associate);

    const QString here = makeFile(QDir(work()).filePath(QStringLiteral("here.txt")), "hi", false);
    const OpenPlan plan = planOpenTarget(QStringLiteral("here.txt"), QString());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_EQ(plan.arguments, QStringList{here});
    EXPECT_TRUE(plan.workingFolder.isEmpty());
}

TEST_F(Launching, BareProgramNamesAreSearched)
{
    const QString tool = makeScript(QDir(bin()).filePath(QStringLiteral("mytool")));
    const OpenPlan plan = planOpenTarget(QStringLiteral("mytool.exe"), docs());
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Start);
    EXPECT_EQ(plan.program, tool);
    EXPECT_EQ(plan.workingFolder, docs());
}

TEST_F(Launching, NothingToOpen)
{
    EXPECT_EQ(planOpenTarget(QString(), docs()).kind, OpenPlan::Kind::Nothing);
    EXPECT_EQ(planOpenTarget(QStringLiteral("   "), docs()).kind, OpenPlan::Kind::Nothing);
    EXPECT_EQ(planOpenTarget(QStringLiteral("missing.doc"), docs()).kind, OpenPlan::Kind::Nothing);
    EXPECT_EQ(planOpenTarget(QStringLiteral("/no/such/file.doc"), QString()).kind,
              OpenPlan::Kind::Nothing);
    // A drive letter is no URL scheme.
    EXPECT_EQ(planOpenTarget(QStringLiteral("c:\\docs\\a.doc"), QString()).kind,
              OpenPlan::Kind::Nothing);
}

TEST_F(Launching, MissingWorkingFolderFallsBackToTheCurrentDirectory)
{
    const QString document = makeFile(QDir(docs()).filePath(QStringLiteral("n.txt")), "x", false);
    const OpenPlan plan = planOpenTarget(document, QDir(docs()).filePath(QStringLiteral("gone")));
    EXPECT_EQ(plan.kind, OpenPlan::Kind::Associate);
    EXPECT_TRUE(plan.workingFolder.isEmpty());
}

namespace {

// A program that writes its working folder and arguments to `out` when it runs.
QString makeRecorder(const QString &path, const QString &out)
{
    const QByteArray script = "#!/bin/sh\n"
                              "{ pwd; for a in \"$@\"; do echo \"[$a]\"; done; } > '" +
                              out.toLocal8Bit() + ".part'\n"
                              "mv '" + out.toLocal8Bit() + ".part' '" + out.toLocal8Bit() + "'\n";
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// What the recorder wrote, once it has run (it runs detached; give it time).
QStringList waitForRecord(const QString &out)
{
    QDeadlineTimer deadline(20000);
    while (!QFile::exists(out) && !deadline.hasExpired())
        QThread::msleep(20);
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<never ran>")};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST_F(Launching, StartProcessSplitsTheCommandLineAndUsesTheWorkingFolder)
{
    const QString out = m_root.filePath(QStringLiteral("record1"));
    const QString program = makeRecorder(QDir(bin()).filePath(QStringLiteral("rec tool")), out);
    ASSERT_TRUE(platform::systemLauncher().startProcess(
        QStringLiteral("\"%1\" one \"two words\" \"\" a\\\"b").arg(program), docs(),
        platform::WindowState::Maximised));
    EXPECT_EQ(waitForRecord(out),
              (QStringList{docs(), "[one]", "[two words]", "[]", "[a\"b]"}));
}

TEST_F(Launching, StartProcessFindsSuiteProgramsAndReportsFailure)
{
    const QString out = m_root.filePath(QStringLiteral("record2"));
    makeRecorder(QDir(work()).filePath(QStringLiteral("TS")), out);
    ASSERT_TRUE(platform::systemLauncher().startProcess(QStringLiteral("ts.exe player"), QString(),
                                                        platform::WindowState::Normal));
    EXPECT_EQ(waitForRecord(out), (QStringList{work(), "[player]"}));

    EXPECT_FALSE(platform::systemLauncher().startProcess(QString(), QString(),
                                                         platform::WindowState::Normal));
    EXPECT_FALSE(platform::systemLauncher().startProcess(QStringLiteral("tessaly-no-such-program"),
                                                         QString(), platform::WindowState::Normal));
}

TEST_F(Launching, StartedProgramsRunDetachedAndLeaveNoChild)
{
    // The program runs on until the test lets it go: the start must not have
    // waited for it, and it is no child of ours (so it never stays a zombie).
    const QString started = m_root.filePath(QStringLiteral("started"));
    const QString ended = m_root.filePath(QStringLiteral("ended"));
    const QString gate = m_root.filePath(QStringLiteral("gate"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    makeFile(QDir(work()).filePath(QStringLiteral("holder")),
             "#!/bin/sh\necho up > '" + started.toLocal8Bit() + "'\nread line < '" +
                 gate.toLocal8Bit() + "'\necho down > '" + ended.toLocal8Bit() + "'\n",
             true);
    ASSERT_TRUE(platform::systemLauncher().startProcess(QStringLiteral("holder"), QString(),
                                                        platform::WindowState::Normal));
    EXPECT_EQ(waitForRecord(started), QStringList{"up"});
    EXPECT_FALSE(QFile::exists(ended));
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // Let it end (opening the gate's writing end waits for its reader).
    QFile release(gate);
    ASSERT_TRUE(release.open(QIODevice::WriteOnly));
    release.write("go\n");
    release.close();
    EXPECT_EQ(waitForRecord(ended), QStringList{"down"});
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(Launching, OpenTargetStartsAProgramInItsWorkingFolder)
{
    const QString out = m_root.filePath(QStringLiteral("record3"));
    makeRecorder(QDir(docs()).filePath(QStringLiteral("go.sh")), out);
    ASSERT_TRUE(platform::systemLauncher().openTarget(QStringLiteral("go.sh"), docs()));
    EXPECT_EQ(waitForRecord(out), (QStringList{docs()}));

    EXPECT_FALSE(platform::systemLauncher().openTarget(QStringLiteral("absent.doc"), docs()));
}

TEST_F(Launching, WordProcessorIsTheFirstOfTheListThatIsInstalled)
{
    qputenv("PATH", bin().toLocal8Bit());
    EXPECT_EQ(platform::wordProcessorCommand(), QString());

    const QString abiword = makeScript(QDir(bin()).filePath(QStringLiteral("abiword")));
    EXPECT_EQ(platform::wordProcessorCommand(), abiword);

    const QString writer = makeScript(QDir(bin()).filePath(QStringLiteral("libreoffice")));
    EXPECT_EQ(platform::wordProcessorCommand(), writer + QStringLiteral(" --writer"));
    // The command line splits back into the program and its option.
    EXPECT_EQ(platform::splitCommandLine(platform::wordProcessorCommand()),
              (QStringList{writer, "--writer"}));
}

TEST_F(Launching, WordProcessorPathWithABlankIsQuoted)
{
    QDir(m_root.path()).mkpath(QStringLiteral("my programs"));
    const QString folder = m_root.filePath(QStringLiteral("my programs"));
    qputenv("PATH", folder.toLocal8Bit());
    const QString lowriter = makeScript(QDir(folder).filePath(QStringLiteral("lowriter")));
    EXPECT_EQ(platform::splitCommandLine(platform::wordProcessorCommand()), QStringList{lowriter});
}
