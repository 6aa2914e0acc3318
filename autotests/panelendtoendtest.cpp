// SPDX-License-Identifier: GPL-2.0-or-later
// From typing to the started program, with the real runners and a real index.
#include "mainwindow.h"
#include "resultsmodel.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{
bool writeFile(const QString &path, const QByteArray &contents, bool executable = false)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
        return false;
    }
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

// Asked in a process of its own: a reader in this process could keep the index
// file the indexer replaces while it starts up, and never see the new one.
bool isIndexed(const QString &term, const QString &path)
{
    QProcess search;
    search.start(QStringLiteral("baloosearch"), {term});
    if (!search.waitForFinished(30000)) {
        return false;
    }
    const QList<QByteArray> lines = search.readAllStandardOutput().split('\n');
    return std::any_of(lines.cbegin(), lines.cend(), [&path](const QByteArray &line) {
        return QString::fromUtf8(line.trimmed()) == path;
    });
}

// Each argument of the last start, as the program received it.
QStringList recordedArguments(const QString &record)
{
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList arguments;
    const QList<QByteArray> parts = file.readAll().split('\0');
    for (int i = 0; i + 1 < parts.size(); ++i) {
        arguments << QString::fromUtf8(parts.at(i));
    }
    return arguments;
}
}

class PanelEndToEndTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void enterOnAFileStartsTheOpener();
    void terminalGetsTheCommandAsOneArgument();

private:
    void search(const QString &text);
    QModelIndex firstResultOf(const QString &category) const;
    QListView *list() const;
    QString record(const QString &program) const;

    QTemporaryDir m_bin;
    QString m_file;
    QString m_marker;
    QProcess m_indexer;
    MainWindow *m_window = nullptr;
};

void PanelEndToEndTest::initTestCase()
{
    const QString session = qEnvironmentVariable("NYD_SESSION_DIR");
    QVERIFY2(!session.isEmpty() && QDir::homePath().startsWith(session + QLatin1Char('/')), "run inside scripts/session.sh");
    QVERIFY(m_bin.isValid());

    // The programs the panel starts only record how they were started.
    for (const char *program : {"nyd-open", "nyd-term"}) {
        const QByteArray script = "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.part\" && mv \"$0.part\" \"$0.args\"\n";
        QVERIFY(writeFile(m_bin.filePath(QLatin1String(program)), script, true));
    }
    qputenv("PATH", m_bin.path().toUtf8() + ':' + qgetenv("PATH"));

    // An application whose command a shell would take apart if it were not quoted.
    m_marker = m_bin.filePath(QStringLiteral("pwned"));
    const QString applications = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/applications");
    QVERIFY(QDir().mkpath(applications));
    QVERIFY(writeFile(applications + QStringLiteral("/zoltermo.desktop"),
                      "[Desktop Entry]\nType=Application\nName=Zoltermo\nExec=printf \"%s\" \"it's $(touch " + QFile::encodeName(m_marker) + ")\"\n"));
    QProcess sycoca;
    sycoca.start(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")});
    QVERIFY(sycoca.waitForFinished(60000));

    // A file in the real index, found by a word inside it.
    const QString folder = QDir::homePath() + QStringLiteral("/EndToEnd");
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/two words")));
    m_file = folder + QStringLiteral("/two words/zephyrine notes.txt");
    QVERIFY(writeFile(m_file, "Notes about the zephyrine project.\n"));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
    QVERIFY(
        writeFile(config, "[Basic Settings]\nIndexing-Enabled=true\n\n[General]\nonly basic indexing=false\nfolders[$e]=" + QFile::encodeName(folder) + "\n"));
    m_indexer.setProcessChannelMode(QProcess::ForwardedChannels);
    m_indexer.start(QStringLiteral("baloo_file"), QStringList());
    QVERIFY(m_indexer.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(isIndexed(QStringLiteral("zephyrine"), m_file), 120000);
}

void PanelEndToEndTest::cleanupTestCase()
{
    m_indexer.terminate();
    if (!m_indexer.waitForFinished(30000)) {
        m_indexer.kill();
        m_indexer.waitForFinished();
    }
}

void PanelEndToEndTest::init()
{
    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    m_window->place(QString(), 2, 0, 404, 532);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void PanelEndToEndTest::cleanup()
{
    delete m_window;
}

QListView *PanelEndToEndTest::list() const
{
    return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
}

QString PanelEndToEndTest::record(const QString &program) const
{
    return m_bin.filePath(program + QStringLiteral(".args"));
}

void PanelEndToEndTest::search(const QString &text)
{
    auto *query = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
    query->setFocus();
    QTest::keyClicks(query, text);
    auto *model = qobject_cast<ResultsModel *>(list()->model());
    QTRY_VERIFY_WITH_TIMEOUT(!model->querying() && model->rowCount() > 0, 15000);
}

QModelIndex PanelEndToEndTest::firstResultOf(const QString &category) const
{
    const QAbstractItemModel *model = list()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, 0);
        if (!index.data(ResultsModel::IsCategoryRole).toBool() && index.data(ResultsModel::CategoryRole).toString() == category) {
            return index;
        }
    }
    return {};
}

void PanelEndToEndTest::enterOnAFileStartsTheOpener()
{
    search(QStringLiteral("zephyrine"));
    const QModelIndex file = firstResultOf(QStringLiteral("Text"));
    QVERIFY(file.isValid());
    QCOMPARE(file.data(ResultsModel::SubtextRole).toString(), m_file);

    list()->setCurrentIndex(file);
    QTest::keyClick(m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery")), Qt::Key_Return);
    QVERIFY(m_window->isHidden());
    QTRY_COMPARE(recordedArguments(record(QStringLiteral("nyd-open"))), QStringList({QStringLiteral("-e"), QUrl::fromLocalFile(m_file).toString()}));
}

void PanelEndToEndTest::terminalGetsTheCommandAsOneArgument()
{
    search(QStringLiteral("zoltermo"));
    const QModelIndex application = firstResultOf(QStringLiteral("Applications"));
    QVERIFY(application.isValid());
    const QString command = application.data(ResultsModel::CommandRole).toString();
    QVERIFY2(command.contains(QLatin1Char('\'')) && command.contains(QLatin1String("$(")), qPrintable(command));

    // Through the context menu, as the user does it.
    bool triggered = false;
    QTimer::singleShot(0, this, [&triggered] {
        QTRY_VERIFY(QApplication::activePopupWidget());
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        const auto actions = menu->actions();
        for (QAction *action : actions) {
            if (action->text() == QLatin1String("Open in &terminal")) {
                action->trigger();
                triggered = true;
            }
        }
        menu->close();
    });
    m_window->showResultMenu(list()->visualRect(application).center());
    QVERIFY(triggered);
    QVERIFY(m_window->isHidden());

    QTRY_COMPARE(recordedArguments(record(QStringLiteral("nyd-term"))), QStringList({QStringLiteral("--noclose"), QStringLiteral("-e"), command}));
    QVERIFY(!QFile::exists(m_marker));
}

QTEST_MAIN(PanelEndToEndTest)
#include "panelendtoendtest.moc"
