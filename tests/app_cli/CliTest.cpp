// rovanel-cli as a program: settings file in, log and exit code out.
#include "ProgramVersion.h"
#include "support/SilentListener.h"
#include "support/TempTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The program built beside the tests.
QString cliProgram()
{
    return QStringLiteral(RV_BINARY_DIR "/app/rovanel-cli");
}

class CliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tree.isValid());
        tree.write(QStringLiteral("src/index.html"), "<html>");
        tree.write(QStringLiteral("src/img/logo.png"), "png");
        config = tree(QStringLiteral("rv.ini"));
    }

    // Writes the settings file as the desktop program does: byte-order mark, CR LF.
    void writeSettings(const QString &outDir, const QStringList &extra = {})
    {
        QStringList lines{QStringLiteral("CopyProjectsN=1"),
                          QStringLiteral("CopyProjects[1].ProjectName=Site"),
                          QStringLiteral("CopyProjects[1].SourceFolder=")
                              + tree(QStringLiteral("src")),
                          QStringLiteral("CopyProjects[1].SourceFilesN=1"),
                          QStringLiteral("CopyProjects[1].SourceFiles[1]=**\\*.*"),
                          QStringLiteral("CopyProjects[1].SourceSubFolders[1]=No"),
                          QStringLiteral("CopyProjects[1].SourceJunkPath[1]=No"),
                          QStringLiteral("CopyProjects[1].OutputFolder={OutDir}\\{ProjectName}"),
                          QStringLiteral("CopyProjects[1].Overwrite=2")};
        if (!outDir.isEmpty())
            lines.append(QStringLiteral("OutDir=") + outDir);
        lines += extra;
        QByteArray bytes("\xEF\xBB\xBF");
        for (const QString &line : lines)
            bytes += line.toUtf8() + "\r\n";
        tree.write(QStringLiteral("rv.ini"), bytes);
    }

    // Runs rovanel-cli with stdin not a terminal (a password prompt is answered with Cancel)
    // and the per-user settings folder inside the temporary tree.
    int run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(cliProgram(), arguments);
        process.closeWriteChannel();
        if (!process.waitForFinished(60000)) {
            ADD_FAILURE() << "rovanel-cli did not start or end: "
                          << process.errorString().toStdString();
            return -1;
        }
        out = QString::fromUtf8(process.readAllStandardOutput());
        err = QString::fromUtf8(process.readAllStandardError());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    TempTree tree;
    QString config;
    QString out;
    QString err;
};

TEST_F(CliTest, RunsTheNamedProjectAndExitsWithZero)
{
    writeSettings(tree(QStringLiteral("out")));
    const QByteArray before = tree.read(QStringLiteral("rv.ini"));

    EXPECT_EQ(run({QStringLiteral("-config"), config, QStringLiteral("-START"),
                   QStringLiteral("Site"), QStringLiteral("-close")}),
              0)
        << err.toStdString();

    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first(), QStringLiteral("Project \"Site\"..."));
    EXPECT_EQ(lines.at(lines.size() - 2),
              QStringLiteral("Copied: 2, skipped: 0, already existed: 0, failed: 0"));
    EXPECT_EQ(lines.last(), QStringLiteral("Completed."));
    EXPECT_EQ(tree.read(QStringLiteral("out/Site/img/logo.png")), QByteArray("png"));
    EXPECT_TRUE(err.isEmpty());
    // The settings file is read, never written.
    EXPECT_EQ(tree.read(QStringLiteral("rv.ini")), before);
}

TEST_F(CliTest, ANameNotFoundGivesExitCodeOne)
{
    writeSettings(tree(QStringLiteral("out")));
    EXPECT_EQ(run({QStringLiteral("-config"), config, QStringLiteral("-start"),
                   QStringLiteral("Site,site")}),
              1);
    EXPECT_TRUE(out.contains(QLatin1String("Project \"site\" not found.\n")));
    // Site itself still ran.
    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/index.html")));
}

TEST_F(CliTest, MissingFTPConnectionGivesExitCodeOne)
{
    writeSettings(tree(QStringLiteral("out")),
                  {QStringLiteral("CopyProjects[1].FTPConnName=Nowhere")});
    EXPECT_EQ(
        run({QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site")}),
        1);
    EXPECT_TRUE(out.contains(QLatin1String("FTP connection \"Nowhere\" not found.\n")));
}

TEST_F(CliTest, EmptyOutputFolderIsRefusedWithExitCodeTwo)
{
    writeSettings(QString());
    EXPECT_EQ(
        run({QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site")}),
        2);
    EXPECT_EQ(err, QStringLiteral("Please, enter Output Folder\n"));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(tree.exists(QStringLiteral("out")));
}

TEST_F(CliTest, MissingSettingsFileMeansNoOutputFolder)
{
    EXPECT_EQ(run({QStringLiteral("-config"), tree(QStringLiteral("none.ini")),
                   QStringLiteral("-start"), QStringLiteral("Site")}),
              2);
    EXPECT_EQ(err, QStringLiteral("Please, enter Output Folder\n"));
}

// A folder where the settings file should be is an error the user is told about, as in the
// window, not a first start.
TEST_F(CliTest, SomethingUnreadableAtTheSettingsPathIsReported)
{
    tree.write(QStringLiteral("folder.ini/inside"), "x");
    EXPECT_EQ(run({QStringLiteral("-config"), tree(QStringLiteral("folder.ini")),
                   QStringLiteral("-start"), QStringLiteral("Site")}),
              2);
    EXPECT_TRUE(
        err.startsWith(QLatin1String("Cannot open file \"") + tree(QStringLiteral("folder.ini"))))
        << err.toStdString();
    EXPECT_TRUE(err.endsWith(QLatin1String("Please, enter Output Folder\n"))) << err.toStdString();
}

// A FIFO given as the settings file is refused at once (no waiting for a writer that never
// comes) and stays a FIFO. Its own time-out, short of the fixture's: waiting fails the test.
TEST_F(CliTest, AFifoAtTheSettingsPathIsRefusedWithoutWaiting)
{
    const QString fifo = tree(QStringLiteral("fifo.ini"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(cliProgram(), {QStringLiteral("-config"), fifo, QStringLiteral("-start"),
                                 QStringLiteral("Site")});
    process.closeWriteChannel();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        FAIL() << "rovanel-cli did not end within 10 s";
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(process.readAllStandardError().toStdString(),
              QStringLiteral("Cannot open file \"%1\". Not a regular file (a FIFO)\n"
                             "Please, enter Output Folder\n")
                  .arg(fifo)
                  .toStdString());
    struct stat status;
    ASSERT_EQ(::stat(fifo.toLocal8Bit().constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

TEST_F(CliTest, SettingsFolderOptionFindsRvIni)
{
    writeSettings(tree(QStringLiteral("out")));
    EXPECT_EQ(run({QStringLiteral("-settingsdir"), tree.path(), QStringLiteral("-start"),
                   QStringLiteral("Site")}),
              0);
    EXPECT_TRUE(tree.exists(QStringLiteral("out/Site/index.html")));
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndExplain)
{
    writeSettings(tree(QStringLiteral("out")));
    const QList<QStringList> cases{
        {},
        {QStringLiteral("-start")},
        {QStringLiteral("-start"), QString()},
        {QStringLiteral("-close")},
        {QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site"),
         QStringLiteral("extra")},
        {QStringLiteral("-start"), QStringLiteral("Site"), QStringLiteral("-config")},
        // The location options are exact: a capital letter makes it an unknown argument.
        {QStringLiteral("-Config"), config, QStringLiteral("-start"), QStringLiteral("Site")},
    };
    for (const QStringList &arguments : cases) {
        EXPECT_EQ(run(arguments), 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(err.contains(QLatin1String("Usage: rovanel-cli")));
    }
    EXPECT_FALSE(tree.exists(QStringLiteral("out")));
}

TEST_F(CliTest, HelpAndVersionAnswerOnStdoutAndRunNothing)
{
    writeSettings(tree(QStringLiteral("out")));
    const QString version = QStringLiteral(RV_VERSION_TEXT "\n");
    const QList<std::pair<QStringList, QString>> cases{
        {{QStringLiteral("--help")}, QStringLiteral("Usage: rovanel-cli")},
        {{QStringLiteral("-h")}, QStringLiteral("Usage: rovanel-cli")},
        {{QStringLiteral("--version")}, version},
        {{QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site"),
          QStringLiteral("--version")},
         version},
        // The first of the two answers.
        {{QStringLiteral("--version"), QStringLiteral("--help")}, version},
        {{QStringLiteral("--help"), QStringLiteral("--version")},
         QStringLiteral("Usage: rovanel-cli")},
    };
    for (const auto &[arguments, expected] : cases) {
        const std::string shown = arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run(arguments), 0) << shown;
        EXPECT_TRUE(out.startsWith(expected)) << shown << ": " << out.toStdString();
        EXPECT_EQ(err, QString()) << shown;
    }
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^Rovanel \\d+\\.\\d+\\n$")).match(version).hasMatch());
    EXPECT_FALSE(tree.exists(QStringLiteral("out")));
}

TEST_F(CliTest, SeveralLineErrorsArePrintedLineByLine)
{
    // A project whose every file fails gives exit code 3; its error lines are printed.
    writeSettings(QStringLiteral("/dev/null/not-a-folder"));
    EXPECT_EQ(
        run({QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site")}),
        3);
    EXPECT_TRUE(
        out.contains(QLatin1String("Unable to create directory /dev/null/not-a-folder/Site\n")));
    EXPECT_TRUE(out.contains(QLatin1String("failed: 2\nCompleted.\n")));
    EXPECT_FALSE(out.contains(QLatin1Char('\r')));
}

// A source folder that is missing or not a folder is an error of its project: the run goes on
// with the next name and ends with exit code 1.
TEST_F(CliTest, MissingSourceFolderGivesExitCodeOne)
{
    const QString source = tree(QStringLiteral("src"));
    for (const bool plainFile : {false, true}) {
        SCOPED_TRACE(plainFile ? "a file" : "missing");
        ASSERT_TRUE(QDir(source).removeRecursively());
        if (plainFile)
            tree.write(QStringLiteral("src"), "not a folder");
        writeSettings(tree(QStringLiteral("out")));

        EXPECT_EQ(run({QStringLiteral("-config"), config, QStringLiteral("-start"),
                       QStringLiteral("Site,Site")}),
                  1)
            << out.toStdString();

        const QString line = QStringLiteral("Source folder \"") + source
                             + QStringLiteral("\" not found.\n");
        EXPECT_EQ(out, QStringLiteral("Project \"Site\"...\n") + line
                           + QStringLiteral("Project \"Site\"...\n") + line
                           + QStringLiteral("Completed.\n"));
        QFile::remove(source);
    }
}

// Files that fail leave the run's result true, yet the exit code tells cron and CI: 3 when a
// file failed, while a failure of a project itself keeps exit code 1. A folder standing where an
// output file belongs makes the copy fail even for root.
TEST_F(CliTest, FailedFilesGiveExitCodeThree)
{
    writeSettings(tree(QStringLiteral("out")));
    tree.mkdir(QStringLiteral("out/Site/index.html/inside"));

    EXPECT_EQ(
        run({QStringLiteral("-config"), config, QStringLiteral("-start"), QStringLiteral("Site")}),
        3)
        << out.toStdString();
    EXPECT_TRUE(out.contains(QLatin1String("Unable to copy file ") + tree(QStringLiteral("out"))
                             + QLatin1String("/Site/index.html (Is a directory)\n")))
        << out.toStdString();
    EXPECT_TRUE(out.endsWith(
        QLatin1String("Copied: 1, skipped: 0, already existed: 0, failed: 1\nCompleted.\n")));
    EXPECT_EQ(tree.read(QStringLiteral("out/Site/img/logo.png")), QByteArray("png"));

    EXPECT_EQ(run({QStringLiteral("-config"), config, QStringLiteral("-start"),
                   QStringLiteral("Site,Missing")}),
              1);
}

} // namespace

// Ctrl-C and SIGTERM stop a run after the file in progress: the project's summary, then
// "Stopped.", and 128 + the signal as exit code; every file the summary counts is there whole,
// and no temporary is left.
TEST_F(CliTest, ASignalStopsTheRunAfterTheFileInProgress)
{
    constexpr int kFiles = 20000;
    for (int i = 0; i < kFiles; ++i)
        tree.write(QStringLiteral("src/many/f%1.txt").arg(i, 5, 10, QLatin1Char('0')),
                   QByteArray::number(i));
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        const QString outDir = tree(QStringLiteral("out%1").arg(signalNumber));
        writeSettings(outDir);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), tree(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(cliProgram(),
                      {QStringLiteral("-config"), config, QStringLiteral("-start"), "Site"});
        process.closeWriteChannel();
        QByteArray output;
        while (!output.contains("Copy: ") && process.waitForReadyRead(20000))
            output += process.readAllStandardOutput();
        ASSERT_TRUE(output.contains("Copy: ")) << output.toStdString();
        ::kill(pid_t(process.processId()), signalNumber);
        ASSERT_TRUE(process.waitForFinished(60000));
        output += process.readAllStandardOutput();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 128 + signalNumber);

        const QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'),
                                                                  Qt::SkipEmptyParts);
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.last(), QStringLiteral("Stopped."));
        const QString summary = lines[lines.size() - 2];
        ASSERT_TRUE(summary.startsWith(QStringLiteral("Copied: "))) << summary.toStdString();
        const int copied = summary.section(QLatin1Char(' '), 1, 1).chopped(1).toInt();
        EXPECT_GT(copied, 0);
        EXPECT_LT(copied, kFiles + 2);
        EXPECT_EQ(lines.filter(QStringLiteral("Copy: ")).size(), copied);
        // Every file counted is there whole; nothing else is.
        QStringList found;
        QDirIterator it(outDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        EXPECT_EQ(found.size(), copied);
        for (const QString &path : found) {
            EXPECT_FALSE(path.endsWith(QLatin1String(".rvtmp"))) << path.toStdString();
            QFile copy(path);
            ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
            const QString relative = path.mid(outDir.size() + QStringLiteral("/Site/").size());
            EXPECT_EQ(copy.readAll(), tree.read(QStringLiteral("src/") + relative))
                << relative.toStdString();
        }
    }
}

TEST_F(CliTest, PreviewWritesNothingAndSaysSo)
{
    writeSettings(tree(QStringLiteral("out")));
    EXPECT_EQ(run({QStringLiteral("-config"), config, QStringLiteral("-start"),
                   QStringLiteral("Site"), QStringLiteral("-preview")}),
              0)
        << err.toStdString();
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), QStringLiteral("Preview: nothing is written."));
    EXPECT_TRUE(
        lines.contains(QStringLiteral("Copied: 2, skipped: 0, already existed: 0, failed: 0")))
        << out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tree(QStringLiteral("out"))));
}

namespace {

// Runs rovanel-cli with stdout on outFd, stderr into errPath and stdin from /dev/null, and
// waits up to 60 s for it: its exit code, or -1 when a signal ended it or it did not end (it
// is killed then).
int runOnDescriptor(const QStringList &arguments, int outFd, const QString &errPath)
{
    std::vector<std::string> words{cliProgram().toStdString()};
    for (const QString &argument : arguments)
        words.push_back(argument.toStdString());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray errFile = QFile::encodeName(errPath);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    for (int waited = 0; waited < 3000; ++waited) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

} // namespace

// A log that cannot be written (a pipe whose reader is gone, as after "| head -1", or a full
// disk) is said on stderr, stops the run and fails it: the program neither goes on copying
// for nobody nor dies of SIGPIPE in the middle of a copy, and what it leaves is whole.
TEST_F(CliTest, ALogThatCannotBeWrittenStopsTheRunAndFails)
{
    // Enough for the run to outlast the reader, and a large file that a stop would break off.
    for (int i = 0; i < 3000; ++i)
        tree.write(QStringLiteral("src/many/f%1.txt").arg(i, 4, 10, QLatin1Char('0')),
                   QByteArray::number(i));
    tree.write(QStringLiteral("src/big.bin"), QByteArray(64 << 20, 'b'));
    const QStringList arguments{QStringLiteral("-config"), config, QStringLiteral("-start"),
                                QStringLiteral("Site")};
    enum class TOut { ClosedPipe, HeadOne, DevFull };
    const struct
    {
        const char *Label;
        TOut Out;
        const char *Reason;
    } cases[] = {
        {"pipe whose reader has closed", TOut::ClosedPipe, "Broken pipe"},
        {"| head -1", TOut::HeadOne, "Broken pipe"},
        {"/dev/full", TOut::DevFull, "No space left on device"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Label);
        const QString outDir = tree(QStringLiteral("out-%1").arg(int(c.Out)));
        writeSettings(outDir);
        int code = -1;
        if (c.Out == TOut::ClosedPipe) {
            int fds[2];
            ASSERT_EQ(::pipe(fds), 0);
            ::close(fds[0]);
            const QString errPath = tree(QStringLiteral("err.txt"));
            code = runOnDescriptor(arguments, fds[1], errPath);
            ::close(fds[1]);
            err = QString::fromUtf8(tree.read(QStringLiteral("err.txt")));
        } else {
            QProcess process;
            if (c.Out == TOut::HeadOne) {
                process.start(QStringLiteral("bash"),
                              QStringList{QStringLiteral("-c"),
                                          QStringLiteral("set -o pipefail; \"$@\" | head -1"),
                                          QStringLiteral("bash"), cliProgram()}
                                  + arguments);
            } else {
                process.setStandardOutputFile(QStringLiteral("/dev/full"));
                process.start(cliProgram(), arguments);
            }
            process.closeWriteChannel();
            ASSERT_TRUE(process.waitForFinished(60000)) << "it did not end";
            code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
            err = QString::fromUtf8(process.readAllStandardError());
            if (c.Out == TOut::HeadOne) {
                EXPECT_EQ(process.readAllStandardOutput(), QByteArray("Project \"Site\"...\n"));
            }
        }
        EXPECT_EQ(code, 1) << err.toStdString();
        EXPECT_TRUE(err.startsWith(
            QStringLiteral("Unable to write the log to stdout (%1)").arg(QLatin1String(c.Reason))))
            << err.toStdString();
        // Whatever was copied is whole; nothing else is there.
        QDirIterator it(outDir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        int found = 0;
        while (it.hasNext()) {
            const QString path = it.next();
            ++found;
            const QString relative = path.mid(outDir.size() + QStringLiteral("/Site/").size());
            EXPECT_EQ(tree.read(path.mid(tree.path().size() + 1)),
                      tree.read(QStringLiteral("src/") + relative))
                << relative.toStdString();
        }
        // Stopped, not run to its end.
        EXPECT_LT(found, 3003);
    }

    // Nothing to run, and still nothing said in silence.
    QProcess version;
    version.setStandardOutputFile(QStringLiteral("/dev/full"));
    version.start(cliProgram(), {QStringLiteral("--version")});
    ASSERT_TRUE(version.waitForFinished(20000));
    EXPECT_EQ(version.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(version.readAllStandardError()),
              QStringLiteral("Unable to write to stdout (No space left on device).\n"));
}

// Ctrl-C while the program waits for a server that never greets: the wait ends at once, not
// after the 60 s reply time-out, and the run ends as stopped, with the signal's exit code.
TEST_F(CliTest, CtrlCEndsAWaitForASilentServerAtOnce)
{
    SilentListener server;
    ASSERT_NE(server.Port(), 0);
    writeSettings(
        tree(QStringLiteral("out")),
        {QStringLiteral("CopyProjects[1].FTPConnName=Silent"), QStringLiteral("FTPConnN=1"),
         QStringLiteral("FTPConn[1].ConnName=Silent"), QStringLiteral("FTPConn[1].Host=127.0.0.1"),
         QStringLiteral("FTPConn[1].Port=%1").arg(server.Port()),
         QStringLiteral("FTPConn[1].UserName=u"), QStringLiteral("FTPConn[1].Password=p")});
    QProcess process;
    process.start(cliProgram(),
                  {QStringLiteral("-config"), config, QStringLiteral("-start"), "Site"});
    process.closeWriteChannel();
    QByteArray output;
    while (!output.contains("Connecting to FTP") && process.waitForReadyRead(20000))
        output += process.readAllStandardOutput();
    ASSERT_TRUE(output.contains("Connecting to FTP \"Silent\"...")) << output.toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto signalled = std::chrono::steady_clock::now();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
    output += process.readAllStandardOutput();
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              (QStringList{"Project \"Site\"...", "Connecting to FTP \"Silent\"...",
                           "Copied: 0, skipped: 0, already existed: 0, failed: 0", "Stopped."}));
    EXPECT_EQ(process.readAllStandardError(), QByteArray());
}
