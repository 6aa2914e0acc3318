// SPDX-License-Identifier: GPL-2.0-or-later
// The panel under changing, hostile and translated results: a menu acts on
// the match it was opened on, runner texts show as written, category keys
// stay keys, and the query survives Escape.
#include "fakerunner.h"
#include "mainwindow.h"
#include "runnerresultsmodel.h"
#include "searchsettings.h"
#include "testhelpers.h"
#include "x11testhelpers.h"

#include <KLocalizedString>
#include <KRunner/QueryMatch>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProcess>
#include <QSettings>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>

#include <clocale>

namespace
{
// A gettext catalog with these entries, sorted by their original text.
QByteArray moCatalog(const QList<std::pair<QByteArray, QByteArray>> &entries)
{
    QByteArray head, table, strings;
    const quint32 count = entries.size();
    const auto put = [](QByteArray &to, quint32 value) {
        to.append(reinterpret_cast<const char *>(&value), sizeof value);
    };
    for (const bool translated : {false, true}) {
        for (const auto &[original, translation] : entries) {
            put(table, (translated ? translation : original).size());
            put(table, 28 + 16 * count + strings.size());
            strings += (translated ? translation : original) + '\0';
        }
    }
    for (const quint32 value : {0x950412deu, 0u, count, 28u, 28 + 8 * count, 0u, 0u}) {
        put(head, value);
    }
    return head + table + strings;
}

class RussianTranslator : public QTranslator
{
public:
    bool isEmpty() const override
    {
        return false;
    }
    QString translate(const char *context, const char *text, const char *, int) const override
    {
        return QByteArray(context) == "RunnerResultsModel" && QByteArray(text) == "Applications" ? QStringLiteral("Приложения") : QString();
    }
};
}

class PanelRobustnessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        QSettings().clear();
    }

    void init()
    {
        m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
        connect(qApp, &QApplication::focusChanged, m_window, &MainWindow::onFocusChanged);
        m_window->place(QString(), 2, 0, 404, 532);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
    }

    void cleanup()
    {
        delete m_window;
    }

    void menuActsOnTheClickedMatch_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("copied");
        // "a" is in row 1 when the menu opens.
        QTest::newRow("gone, another in its row") << "Document b P 0.9, Document c P 0.8"
                                                  << "before";
        QTest::newRow("moved to another row") << "Document z E 0.9, Document a P 0.9"
                                              << "/docs/a";
        QTest::newRow("all gone") << QString() << "before";
    }

    void menuActsOnTheClickedMatch()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, copied);

        show(matches(QStringLiteral("Document a P 0.9, Document b P 0.5")));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const QPoint pos = list()->visualRect(list()->model()->index(1, 0)).center();
        QCOMPARE(list()->indexAt(pos).data().toString(), QStringLiteral("a"));

        // New matches arrive while the menu runs its own event loop.
        bool chosen = false;
        QTimer::singleShot(0, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            show(matches(meanwhile));
            const auto actions = menu->actions();
            for (QAction *action : actions) {
                if (action->text() == QLatin1String("Copy &path")) {
                    menu->setActiveAction(action);
                    chosen = true;
                }
            }
            QTest::keyClick(menu, chosen ? Qt::Key_Return : Qt::Key_Escape);
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &event);
        QVERIFY(chosen);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void toolTipsShowRunnerTextAsWritten_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("subtext");
        QTest::addColumn<bool>("table");
        QTest::newRow("application's comment") << "Applications"
                                               << R"(<b>bold</b> <img src="missing.png">)" << false;
        QTest::newRow("help excerpt") << "Help"
                                      << "if a < b & c > d" << false;
        QTest::newRow("file name and path") << "Document"
                                            << "%1/<img src=x>/<b>report & co.txt" << true;
    }

    void toolTipsShowRunnerTextAsWritten()
    {
        QFETCH(QString, category);
        QFETCH(QString, subtext);
        QFETCH(bool, table);

        QTemporaryDir files;
        subtext = subtext.arg(files.path());
        QVERIFY(!table || TestHelpers::writeFile(subtext, "report"));
        QList<Plasma::QueryMatch> shown = matches(category + QStringLiteral(" result P 0.5"));
        shown.first().setSubtext(subtext);
        show(shown);

        const QPoint pos = list()->visualRect(list()->model()->index(1, 0)).center();
        QHelpEvent hover(QEvent::ToolTip, pos, list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &hover);
        QLabel *tip = nullptr;
        const auto widgets = QApplication::topLevelWidgets();
        for (QWidget *widget : widgets) {
            tip = widget->inherits("QTipLabel") && widget->isVisible() ? qobject_cast<QLabel *>(widget) : tip;
        }
        QVERIFY(tip);
        QTextDocument rendered;
        rendered.setHtml(tip->text());
        QVERIFY2(rendered.toPlainText().contains(subtext), qPrintable(tip->text()));
        QCOMPARE(rendered.toPlainText().count(QFileInfo(subtext).fileName()), table ? 2 : 1);
        QCOMPARE(tip->text().startsWith(QLatin1String("<table>")), table);
    }

    void categoryKeysStayUntranslated()
    {
        // The program translated for a user who reads Russian; the C locale would ignore catalogs.
        QVERIFY(TestHelpers::writeFile(
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/locale/ru/LC_MESSAGES/nyd-search-panel.mo"),
            moCatalog({{"", "Content-Type: text/plain; charset=UTF-8\n"}, {"@title:group search results\004Applications", "Приложения"}})));
        std::setlocale(LC_ALL, "C.UTF-8");
        KLocalizedString::setLanguages({QStringLiteral("ru")});
        RussianTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QVERIFY(TestHelpers::writeFile(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QStringLiteral("/quuxtool.desktop"),
                                       "[Desktop Entry]\nType=Application\nName=Quuxtool\nExec=quuxtool\n"));
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);

        search();
        QCOMPARE(list()->model()->index(1, 0).data(ResultsModel::CategoryRole).toString(), QStringLiteral("Applications"));
        QCOMPARE(list()->model()->index(2, 0).data().toString(), QStringLiteral("Приложения"));

        SearchSettings settings;
        settings.setIndexApplications(false);
        settings.save();
        search();
        QCOMPARE(m_window->findChild<QStackedWidget *>()->currentWidget()->objectName(), QStringLiteral("pageNoResults"));
        QSettings().clear();
        QCoreApplication::removeTranslator(&translator);
    }

    void focusLossClearsTheQueryEscapeKeepsIt()
    {
        QTRY_COMPARE(QApplication::focusWidget(), query());
        QTest::keyClicks(query(), QStringLiteral("report"));
        // Another client's window takes the focus, as when the user clicks elsewhere.
        X11TestHelpers::Connection x;
        const xcb_window_t other = xcb_generate_id(x.connection);
        xcb_create_window(x.connection, 0, other, x.screen->root, 0, 0, 100, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, x.screen->root_visual, 0, nullptr);
        xcb_map_window(x.connection, other);
        xcb_set_input_focus(x.connection, XCB_INPUT_FOCUS_POINTER_ROOT, other, XCB_CURRENT_TIME);
        xcb_flush(x.connection);
        QTRY_VERIFY(m_window->isHidden());
        QVERIFY(query()->text().isEmpty());

        m_window->show();
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), query());
        QTest::keyClicks(query(), QStringLiteral("notes"));
        QTest::keyClick(query(), Qt::Key_Escape);
        QVERIFY(m_window->isHidden());
        // Hiding takes the focus from the panel a moment later.
        QTRY_VERIFY(!QApplication::activeWindow());
        QCOMPARE(query()->text(), QStringLiteral("notes"));
    }

private:
    QListView *list() const
    {
        return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
    }
    QLineEdit *query() const
    {
        return m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
    }

    // Matches as TestHelpers::matchesFrom writes them, each pointing at /docs/<text>.
    QList<Plasma::QueryMatch> matches(const QString &items)
    {
        QList<Plasma::QueryMatch> matches = TestHelpers::matchesFrom<Plasma::QueryMatch>(&m_runner, items);
        for (Plasma::QueryMatch &match : matches) {
            match.setData(QUrl::fromLocalFile(QStringLiteral("/docs/") + match.text()));
        }
        return matches;
    }
    void show(const QList<Plasma::QueryMatch> &matches)
    {
        list()->model()->findChild<RunnerResultsModel *>()->onMatchesChanged(matches);
    }
    void search()
    {
        query()->clear();
        QTest::keyClicks(query(), QStringLiteral("quuxtool"));
        QTRY_VERIFY_WITH_TIMEOUT(!qobject_cast<ResultsModel *>(list()->model())->querying(), 15000);
    }

    FakeRunner m_runner;
    MainWindow *m_window = nullptr;
};

QTEST_MAIN(PanelRobustnessTest)
#include "panelrobustnesstest.moc"
