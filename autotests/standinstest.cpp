// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's stand-in programs, started as the panel starts them, in a
// scratch desktop whose applications only write down how they were started.
#include "testhelpers.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <utility>

class StandInsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        for (const char *variable : {"HOME=~", "XDG_CONFIG_HOME=~/.config", "XDG_DATA_HOME=~/.local/share", "XDG_DATA_DIRS=~/../share", "SHELL=~/../shell"}) {
            qputenv(QByteArray(variable).split('=').first().constData(), QFile::encodeName(expand(QString::fromUtf8(variable).section(QLatin1Char('='), 1))));
        }
        // Every program here writes what it did to ~/out; the terminal runs what follows its -e.
        const QByteArray entry = "[Desktop Entry]\nType=Application\nName=n\nExec=~/../rec ";
        const std::initializer_list<std::pair<const char *, QByteArray>> files = {
            {"rec", "#!/bin/sh\nIFS='|'; printf '[%s]' \"$*\" >> ~/out"},
            {"shell", "#!/bin/sh\nprintf '[shell]' >> ~/out"},
            {"term", "#!/bin/sh\nwhile [ \"$1\" != -e ]; do printf '<%s>' \"$1\" >> ~/out; shift; done; shift; \"$@\"; printf '[end]' >> ~/out"},
            {"home/.local/share/applications/viewer.desktop", entry + "viewer %f\nMimeType=text/plain;"},
            {"home/.local/share/applications/tool.desktop", entry + "tool \"two words\""},
            {"home/.local/share/applications/files.desktop", entry + "files %u\nMimeType=inode/directory;\nCategories=Qt;KDE;FileManager;"},
            {"home/.config/mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop"},
            {"share/kservices5/filenamesearch.protocol", "[Protocol]\nexec=kf5/kio/filenamesearch\nprotocol=filenamesearch\nClass=:local\nlisting=Name"},
            // Outside the menu an entry must be executable to be trusted; all are here.
            {"home/Tool launcher.desktop", entry + "tool \"two words\""},
            {"home/notes link.desktop", "[Desktop Entry]\nType=Link\nName=l\nURL=file://~/my%20notes%202.txt"},
            {"home/my notes 2.txt", "text"},
            {"home/notes:today.txt", "text"},
            {"home/Bericht für März.pdf", "%PDF-1.4\n"}, // a type nothing here opens
            {"home/f/src/plan.txt", "new"},
            {"home/f/src/album/day 1/ünter/.hidden", "h"},
            {"home/f/src/fifo/a", QByteArray(100000, 'a')},
        };
        for (const auto &[name, contents] : files) {
            QVERIFY(TestHelpers::writeFile(expand(QStringLiteral("~/../") + QString::fromUtf8(name)), expand(QString::fromUtf8(contents)).toUtf8(), true));
        }
        // Only the system's MIME database: no system application answers for a type.
        QVERIFY(QFile::link(QStringLiteral("/usr/share/mime"), expand(QStringLiteral("~/../share/mime"))));
        QVERIFY(QFile::copy(QStringLiteral(NYD_STANDIN_DIR "/nyd-term"), expand(QStringLiteral("~/f/src/album/day 1/Bericht für März.bin"))));
        // A FIFO cannot be copied: that copy fails after the regular files went through.
        QVERIFY(::mkfifo(QFile::encodeName(expand(QStringLiteral("~/f/src/fifo/pipe"))).constData(), 0600) == 0
                && QDir::setCurrent(expand(QStringLiteral("~"))));
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
    }
    void programs_data()
    {
        QTest::addColumn<QString>("setup"); // "file=contents" for the configuration folder
        QTest::addColumn<QStringList>("arguments"); // the program first
        QTest::addColumn<QString>("expected"); // what ~/out holds, or "!" and the end of the error
        const auto row = [](const char *name, const char *arguments, const char *expected, const char *setup = "") {
            QTest::newRow(name) << QString::fromUtf8(setup) << QString::fromUtf8(arguments).split(QLatin1Char('|')) << QString::fromUtf8(expected);
        };
        row("open: file with blanks", "nyd-open|-e|~/my notes 2.txt", "[viewer|~/my notes 2.txt]");
        row("open: local name like a URL", "nyd-open|-e|notes:today.txt", "[viewer|~/notes:today.txt]");
        row("open: application entry", "nyd-open|-e|~/.local/share/applications/tool.desktop", "[tool|two words]");
        row("open: executable entry outside the menu", "nyd-open|-e|~/Tool launcher.desktop", "[tool|two words]");
        row("open: link entry", "nyd-open|-e|~/notes link.desktop", "[viewer|~/my notes 2.txt]");
        row("open: missing file", "nyd-open|-e|file://~/gone%20away.txt", "!~/gone away.txt does not exist");
        row("open: type without handler", "nyd-open|-e|~/Bericht für März.pdf", "!(application/pdf)");
        // One argument all the way: a shell on the way would expand what the command quotes.
        row("term: quoting",
            "nyd-term|-e|printf '[%s]' \"a  b\" 'it'\\''s' '$(echo X)' \"\\$(echo Y) \\\"q\\\" \\\\\" '`echo Z`' >> ~/out",
            "[a  b][it's][$(echo X)][$(echo Y) \"q\" \\][`echo Z`][end]");
        // A shell that took it for its own option would print its version and run nothing.
        row("term: leading dash", "nyd-term|-e|--version >/dev/null 2>&1; printf z >> ~/out", "z[end]");
        row("term: open after exit", "nyd-term|--noclose|-e|printf x >> ~/out; exit 3", "x[shell][end]");
        row("term: its arguments", "nyd-term|-e|true", "<--title><Nyd term>[end]", "kdeglobals=[General]\nTerminalApplication=~/../term --title 'Nyd term'");
        row("term: missing", "nyd-term|-e|true", "!the terminal program /none/term was not found", "kdeglobals=[General]\nTerminalApplication=/none/term");
        row("term: command in words", "nyd-term|-e|echo|hi", "!usage: nyd-term [--noclose] -e <command>");
        row("props: missing path", "nyd-props|-s|~/never.txt", "!~/never.txt does not exist");
        row("props: one path only", "nyd-props|-s|~/never.txt|-s|~/never.txt", "!usage: nyd-props -s <path>");
        row("copy: file, folder with a slash", "nyd-fops|--copy|~/f/src/album/day 1/Bericht für März.bin|~/f/dest/", "");
        row("copy: folder tree", "nyd-fops|--copy|~/f/src/album|~/f/dest", "");
        row("copy: no file overwritten", "nyd-fops|--copy|~/f/src/plan.txt|~/f/dest", "!/f/dest/plan.txt already exists");
        row("copy: missing source", "nyd-fops|--copy|~/f/src/gone|~/f/dest", "!/f/src/gone does not exist");
        row("copy: folder into itself", "nyd-fops|--copy|~/f/src|~/f/src/album", "!/f/src into itself");
        row("copy: unreadable entry midway", "nyd-fops|--copy|~/f/src/fifo|~/f/dest", "!Could not read ~/f/src/fifo/pipe.");
        row("find: its search", "nyd-find|-d", "[files|filenamesearch:/?url=file://~]", "mimeapps.list=[Default Applications]\ninode/directory=files.desktop");
        row("find: none",
            "nyd-find|-d",
            "!no file manager is set up to open folders",
            "mimeapps.list=[Removed Associations]\ninode/directory=files.desktop;local.desktop;");
    }
    void programs()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const QString dest = expand(QStringLiteral("~/f/dest/"));
        QVERIFY(QDir(dest).removeRecursively() && TestHelpers::writeFile(dest + QStringLiteral("plan.txt"), "old")
                && TestHelpers::writeFile(expand(QStringLiteral("~/out")), {}));
        setup = setup.isEmpty() ? QStringLiteral("kdeglobals=[General]\nTerminalApplication=~/../term") : setup;
        QVERIFY(TestHelpers::writeFile(expand(QStringLiteral("~/.config/")) + setup.section(QLatin1Char('='), 0, 0),
                                       expand(setup.section(QLatin1Char('='), 1)).toUtf8()));
        if (setup.startsWith(QLatin1String("mimeapps"))) {
            QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
        }
        const QMap<QString, QByteArray> before = tree(expand(QStringLiteral("~/f")));
        QProcess process;
        const QString program = arguments.takeFirst();
        process.start(QStringLiteral(NYD_STANDIN_DIR "/") + program, expand(arguments.join(QLatin1Char('\n'))).split(QLatin1Char('\n')));
        QVERIFY(process.waitForFinished(30000));
        const QString error = QString::fromUtf8(process.readAllStandardError().trimmed().split('\n').constLast());
        if (expected.startsWith(QLatin1Char('!'))) {
            QVERIFY2(process.exitCode() == 1 && error.startsWith(program + QStringLiteral(": ")) && error.endsWith(expand(expected.mid(1))), qPrintable(error));
            QCOMPARE(tree(expand(QStringLiteral("~/f"))), before);
            QCOMPARE(TestHelpers::readFile(expand(QStringLiteral("~/out"))), QByteArray());
            return;
        }
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestHelpers::readFile(expand(QStringLiteral("~/out")))), expand(expected), 15000);
        if (program == QLatin1String("nyd-fops")) {
            QCOMPARE(tree(dest + QFileInfo(arguments.at(1)).fileName()), tree(expand(arguments.at(1))));
            // Nothing else is left behind, staging included.
            QCOMPARE(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
        }
    }

private:
    QString expand(QString text) const
    {
        return text.replace(QLatin1Char('~'), m_root.filePath(QStringLiteral("home")));
    }
    // Relative path -> contents; a file's own contents under "".
    static QMap<QString, QByteArray> tree(const QString &root)
    {
        QMap<QString, QByteArray> entries{{QString(), TestHelpers::readFile(root)}};
        QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            // Reading a FIFO would wait for a writer.
            entries.insert(it.next().mid(root.size()), it.fileInfo().isFile() ? TestHelpers::readFile(it.filePath()) : it.fileInfo().isDir() ? "/" : "|");
        }
        return entries;
    }

    QTemporaryDir m_root;
};

QTEST_GUILESS_MAIN(StandInsTest)

#include "standinstest.moc"
