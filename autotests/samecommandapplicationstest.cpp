// SPDX-License-Identifier: GPL-2.0-or-later
// KRunner's AbstractRunnerTest builds messages from char literals; it must come before any Qt header.
#undef QT_NO_CAST_FROM_ASCII
#include <KRunner/AbstractRunnerTest>

#include "desktopcommand.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>

// Launchers of one tool differ only in what they would pass it, or not at all.
class SameCommandApplicationsTest : public AbstractRunnerTest
{
    Q_OBJECT

private Q_SLOTS:
    void eachEntryIsAResult()
    {
        QStandardPaths::setTestModeEnabled(true);
        initProperties();
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QVERIFY(QDir(folder).removeRecursively() && QDir().mkpath(folder));
        const QStringList names = {QStringLiteral("Quillomat Photos"), QStringLiteral("Quillomat Files"), QStringLiteral("Quillomat Again")};
        const QStringList execs = {QStringLiteral("quillomat %U"), QStringLiteral("quillomat %F"), QStringLiteral("quillomat")};
        QStringList files;
        for (int i = 0; i < names.size(); ++i) {
            files << folder + QStringLiteral("/quillomat-%1.desktop").arg(i);
            QFile file(files.last());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n").arg(names.at(i), execs.at(i)).toUtf8());
        }
        QProcess sycoca;
        sycoca.start(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--testmode"), QStringLiteral("--noincremental")});
        QVERIFY(sycoca.waitForFinished(120000));
        QCOMPARE(sycoca.exitCode(), 0);

        launchQuery(QStringLiteral("quillomat"));
        QStringList found;
        const QList<Plasma::QueryMatch> matches = manager->matches();
        for (const Plasma::QueryMatch &match : matches) {
            const QString file = match.data().toUrl().toLocalFile();
            if (files.contains(file)) {
                found << file;
                // What "Open in terminal" runs.
                QCOMPARE(desktopEntryCommand(file), QStringLiteral("quillomat"));
            }
        }
        found.sort();
        QCOMPARE(found, files);
    }
};

QTEST_MAIN(SameCommandApplicationsTest)

#include "samecommandapplicationstest.moc"
