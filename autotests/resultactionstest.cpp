// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "nydcore.h"
#include "resultsmodel.h"
#include "testhelpers.h"
#include "themecolors.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QLoggingCategory>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProxyStyle>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <unistd.h>

namespace
{
enum Row {
    NoRow = -1,
    AppHeader,
    AppRow,
    FileHeader,
    FileRow,
    HelpHeader,
    HelpRow,
};

const QString s_helpUrl = QStringLiteral("qthelp://org.nyd.help.ru/nydhelp/basics.html");

QString nydFolder(NydDir which)
{
    return QString::fromStdString(GetNydDir(which));
}

// A header row when there is no id.
QStandardItem *listRow(const QString &text, const QString &category, const QString &id = {}, const QUrl &url = {})
{
    auto *item = new QStandardItem(text);
    item->setData(id.isEmpty(), ResultsModel::IsCategoryRole);
    item->setData(category, ResultsModel::CategoryRole);
    if (!id.isEmpty()) {
        item->setData(id, ResultsModel::IdRole);
        item->setData(url, ResultsModel::DataRole);
    }
    return item;
}

// What the process writes to stderr while work runs.
QByteArray capturedStderr(const std::function<void()> &work)
{
    QTemporaryFile file;
    if (!file.open()) {
        return "(no capture)";
    }
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(file.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *returnData) const override
    {
        return hint == QStyle::SH_ItemView_ActivateItemOnSingleClick ? 1 : QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

struct MenuVisit {
    bool shown = false;
    bool picked = false;
    bool parentless = false;
    QPoint position;
    QString styleSheet;
    QStringList entries; // "text (icon)", those of a submenu as "menu/text (icon)" after the menu's own
};
}

class ResultActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Desktop and Documents stay where they are; the expectations ask GetNydDir.
        QStandardPaths::setTestModeEnabled(true);
        // The window prepares the help search, which has no collection installed here.
        QLoggingCategory::setFilterRules(QStringLiteral("nyd.help.warning=false"));

        // An icon theme that has all the menu's icons, whatever the system has installed.
        const QString theme = m_files.path() + QStringLiteral("/icons/resultactions");
        QVERIFY(TestHelpers::writeFile(theme + QStringLiteral("/index.theme"),
                                       "[Icon Theme]\nName=Result actions\nDirectories=16x16\n\n[16x16]\nSize=16\nType=Fixed\n"));
        QVERIFY(QDir().mkpath(theme + QStringLiteral("/16x16")));
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::darkCyan);
        const QStringList icons = QStringLiteral(
                                      "document-open user-desktop preferences-system-windows folder-documents edit-copy edit-rename "
                                      "document-export user-home document-properties")
                                      .split(QLatin1Char(' '));
        for (const QString &name : icons) {
            QVERIFY(image.save(theme + QStringLiteral("/16x16/%1.png").arg(name)));
        }
        QIcon::setThemeSearchPaths({m_files.path() + QStringLiteral("/icons")});
        QIcon::setThemeName(QStringLiteral("resultactions"));

        m_documentPath = m_files.path() + QStringLiteral("/My Documents/report 1.odt");
        m_desktopFile = m_files.path() + QStringLiteral("/My Apps/nyd заметки.desktop");
        QVERIFY(TestHelpers::writeFile(m_documentPath, "report"));
        QVERIFY(TestHelpers::writeFile(m_desktopFile, "[Desktop Entry]\nType=Application\nName=Notes\nExec=nyd-notes\n"));
        m_path = qgetenv("PATH");
    }

    void init()
    {
        // Stand-ins for the programs the panel starts, in a folder whose name needs
        // shell quoting, so an unquoted path breaks the terminal's command.
        m_fakes = std::make_unique<QTemporaryDir>();
        const QString bin = m_fakes->filePath(QStringLiteral("fake bin's dir/"));
        for (const char *program : {"nyd-open", "nyd-fops", "nyd-props", "nyd-term", "assistant"}) {
            QVERIFY(TestHelpers::writeRecorder(bin + QLatin1String(program), m_fakes->filePath(QStringLiteral("records"))));
        }
        qputenv("PATH", QFile::encodeName(bin) + ':' + m_path);
        // Everything started from now on, and all it starts in turn, inherits the
        // write end of a pipe; the read end sees its end once they are all gone.
        int fds[2];
        QCOMPARE(::pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0);
        m_watch = fds[0];
        m_lent = fds[1];
        ::fcntl(m_lent, F_SETFD, 0);

        m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
        m_model = new QStandardItemModel(m_window);
        m_model->appendRow(listRow(QStringLiteral("Applications"), QStringLiteral("Applications")));
        m_model->appendRow(listRow(QStringLiteral("Notes"), QStringLiteral("Applications"), QStringLiteral("nyd-notes"), QUrl::fromLocalFile(m_desktopFile)));
        m_model->appendRow(listRow(QStringLiteral("Document"), QStringLiteral("Document")));
        m_model->appendRow(listRow(QStringLiteral("report 1.odt"), QStringLiteral("Document"), m_documentPath, QUrl::fromLocalFile(m_documentPath)));
        m_model->appendRow(listRow(QStringLiteral("Help"), QStringLiteral("Help")));
        m_model->appendRow(listRow(QStringLiteral("Basics"), QStringLiteral("Help"), s_helpUrl, QUrl(s_helpUrl)));
        list()->setModel(m_model);
        // The panel's delegate reads its own model, not this one.
        list()->setItemDelegate(new QStyledItemDelegate(list()));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        m_window->setGeometry(QRect(screen.center() - QPoint(200, 270), QSize(404, 532)));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        allEnded();
        ::close(m_watch);
        m_fakes.reset();
        qputenv("PATH", m_path);
    }

    void actions_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<bool>("hides");
        // A trigger is a direct call, a click, a key on the query line or the list, or else a path through the menu.

        // Blanks stay literal in the URL the viewer gets.
        const QString open = QStringLiteral("nyd-open");
        const QStringList file{open, QStringLiteral("-e"), QStringLiteral("file://") + m_documentPath};
        const QStringList app{open, QStringLiteral("-e"), QStringLiteral("file://") + m_desktopFile};
        const QStringList help{QStringLiteral("assistant"),
                               QStringLiteral("-collectionFile"),
                               QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc"),
                               QStringLiteral("-showUrl"),
                               s_helpUrl};
        const QStringList copy{QStringLiteral("nyd-fops"), QStringLiteral("--copy"), m_documentPath};
        const QStringList none;

        QTest::newRow("call, file") << "call" << int(FileRow) << file << true;
        QTest::newRow("call, application") << "call" << int(AppRow) << app << true;
        QTest::newRow("call, help") << "call" << int(HelpRow) << help << true;
        QTest::newRow("click") << "click" << int(FileRow) << file << true;
        QTest::newRow("click, style activating on click") << "single-click style" << int(FileRow) << file << true;
        QTest::newRow("activated") << "activated" << int(AppRow) << app << true;
        QTest::newRow("Return on query") << "Return on query" << int(FileRow) << file << true;
        QTest::newRow("Enter on query") << "Enter on query" << int(HelpRow) << help << true;
        QTest::newRow("Return on list") << "Return on list" << int(AppRow) << app << true;
        QTest::newRow("Return, no current row") << "Return on query" << int(NoRow) << none << false;
        QTest::newRow("call, header") << "call" << int(FileHeader) << none << false;
        QTest::newRow("terminal, header") << "terminal" << int(AppHeader) << none << false;
        QTest::newRow("menu, open") << "&Open" << int(AppRow) << app << true;
        QTest::newRow("menu, show in file manager") << "&Show in file manager" << int(FileRow)
                                                    << QStringList{open, QStringLiteral("-e"), m_files.path() + QStringLiteral("/My Documents")} << false;
        QTest::newRow("menu, send to desktop") << "&Send to/&Desktop" << int(FileRow) << copy + QStringList{nydFolder(NydDesktopDir) + QLatin1Char('/')}
                                               << false;
        QTest::newRow("menu, send to home") << "&Send to/&Home" << int(FileRow) << copy + QStringList{nydFolder(NydHomeDir) + QLatin1Char('/')} << false;
        QTest::newRow("menu, send to documents") << "&Send to/&Documents" << int(FileRow) << copy + QStringList{nydFolder(NydDocumentsDir) + QLatin1Char('/')}
                                                 << false;
        QTest::newRow("menu, properties") << "&Properties" << int(FileRow) << QStringList{QStringLiteral("nyd-props"), QStringLiteral("-s"), m_documentPath}
                                          << false;
    }

    void actions()
    {
        QFETCH(QString, trigger);
        QFETCH(int, row);
        QFETCH(QStringList, call);
        QFETCH(bool, hides);

        list()->selectionModel()->setCurrentIndex(index(row), QItemSelectionModel::NoUpdate);
        QVERIFY(list()->currentIndex() == index(row));
        SingleClickStyle style;
        if (trigger == QLatin1String("call")) {
            m_window->openResult(index(row));
        } else if (trigger == QLatin1String("terminal")) {
            m_window->openResultInTerminal(index(row));
        } else if (trigger == QLatin1String("click") || trigger == QLatin1String("single-click style")) {
            // Such a style makes a click emit activated() as well as clicked().
            if (trigger != QLatin1String("click")) {
                list()->setStyle(&style);
            }
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCenter(row));
            if (trigger != QLatin1String("click")) {
                list()->setStyle(nullptr);
            }
        } else if (trigger == QLatin1String("activated")) {
            Q_EMIT list()->activated(index(row));
        } else if (trigger.contains(QLatin1String(" on "))) {
            QWidget *target = trigger.endsWith(QLatin1String("list")) ? list() : m_window->findChild<QWidget *>(QStringLiteral("lineEditQuery"));
            QTest::keyClick(target, trigger.startsWith(QLatin1String("Enter")) ? Qt::Key_Enter : Qt::Key_Return);
        } else {
            QVERIFY(useMenu(rowCenter(row), trigger.split(QLatin1Char('/'))).picked);
        }

        QCOMPARE(m_window->isHidden(), hides);
        QTRY_VERIFY(allEnded());
        QCOMPARE(calls(), call.isEmpty() ? QList<QStringList>() : QList<QStringList>{call});
    }

    void noMenuOffResults()
    {
        const QPoint below = rowCenter(HelpRow) + QPoint(0, 3 * list()->visualRect(index(HelpRow)).height());
        QVERIFY(list()->viewport()->rect().contains(below));
        QVERIFY(!list()->indexAt(below).isValid());
        for (const QPoint &pos : {rowCenter(FileHeader), below}) {
            QVERIFY(!useMenu(pos, {}).shown);
        }
        QVERIFY(m_window->isVisible());
        QVERIFY(allEnded());
        QVERIFY(calls().isEmpty());
    }

    void terminalGetsTheIdUnchanged()
    {
        if (QFileInfo(QStringLiteral("/usr/bin/nyd-term")).isExecutable()) {
            QSKIP("The installed terminal goes before the recording one on PATH");
        }
        // Each of these would touch the marker if the shell saw the id unquoted.
        const QString marker = m_fakes->filePath(QStringLiteral("injected"));
        const QString id = QStringLiteral("it's \"$(touch %1)\" `touch %1`; touch %1 && touch %1 | touch %1 > %1 & touch %1\ntouch %1 $HOME \\ *").arg(marker);
        m_model->setData(index(AppRow), id, ResultsModel::CommandRole);

        QVERIFY(useMenu(rowCenter(AppRow), {QStringLiteral("Open in &terminal")}).picked);
        QVERIFY(m_window->isHidden());
        QTRY_VERIFY(allEnded());
        QVERIFY2(!QFile::exists(marker), "the shell ran part of the id");
        QCOMPARE(calls(), (QList<QStringList>{{QStringLiteral("nyd-term"), QStringLiteral("--noclose"), QStringLiteral("-e"), id}}));
    }

    void menuFollowsCategoryAndTheme_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("entries");

        QTest::newRow("application") << int(AppRow)
                                     << QStringLiteral(
                                            "&Open (document-open), Open in &terminal (document-open), Add shortcut to &Desktop (user-desktop), "
                                            "Pin on &Taskbar (preferences-system-windows)");
        QTest::newRow("help") << int(HelpRow) << QStringLiteral("&Open (document-open)");
        QTest::newRow("document") << int(FileRow)
                                  << QStringLiteral(
                                         "&Open (document-open), &Show in file manager (folder-documents), &Copy (edit-copy), "
                                         "Copy &path (edit-rename), &Send to (document-export), &Send to/&Desktop (user-desktop), "
                                         "&Send to/&Home (user-home), &Send to/&Documents (folder-documents), &Properties (document-properties)");
    }

    void menuFollowsCategoryAndTheme()
    {
        QFETCH(int, row);
        QFETCH(QString, entries);

        m_window->applyTheme({{QStringLiteral("MenuColor"), QStringLiteral("#102030")},
                              {QStringLiteral("MenuStringColor"), QStringLiteral("#405060")},
                              {QStringLiteral("MenuActiveColor"), QStringLiteral("#708090")},
                              {QStringLiteral("MenuStringActiveColor"), QStringLiteral("#a0b0c0")}});
        // The theme ties the border to the selection; apart, a mix-up of the two shows.
        ThemeColors::instance()->setBorderColor(QStringLiteral("#d0e0f0"));
        const MenuVisit visit = useMenu(rowCenter(row), {});
        QVERIFY(visit.shown);
        QVERIFY(visit.parentless);
        QCOMPARE(visit.position, list()->viewport()->mapToGlobal(rowCenter(row)));
        QCOMPARE(QString(visit.styleSheet).remove(QRegularExpression(QStringLiteral("[\\s;]"))),
                 QStringLiteral("QMenu{background-color:#102030border:1pxsolid#d0e0f0color:#405060}QMenu::item{background-color:#102030color:#405060}"
                                "QMenu::item:selected{background-color:#708090color:#a0b0c0}"));
        // The test's own icon theme has every name, so each one resolves and keeps its name.
        QCOMPARE(visit.entries.join(QStringLiteral(", ")), entries);
        QVERIFY(m_window->isVisible());
        QVERIFY(allEnded());
        QVERIFY(calls().isEmpty());
    }

    void copyEntriesFillTheClipboard_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("content");

        QTest::newRow("copy") << QStringLiteral("&Copy") << QStringLiteral("text/uri-list")
                              << QByteArray("file://" + m_documentPath.toUtf8().replace(' ', "%20") + "\r\n");
        QTest::newRow("copy path") << QStringLiteral("Copy &path") << QStringLiteral("text/plain") << m_documentPath.toUtf8();
    }

    void copyEntriesFillTheClipboard()
    {
        QFETCH(QString, entry);
        QFETCH(QString, format);
        QFETCH(QByteArray, content);

        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->setText(QStringLiteral("before"));
        QCOMPARE(clipboard->text(), QStringLiteral("before"));
        QVERIFY(useMenu(rowCenter(FileRow), {entry}).picked);
        QVERIFY(m_window->isVisible());
        const QMimeData *data = clipboard->mimeData(QClipboard::Clipboard);
        QVERIFY(data);
        QCOMPARE(data->data(format), content);
        QVERIFY(allEnded());
        QVERIFY(calls().isEmpty());
    }

    void shortcutAndPinCopyOnce_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("folder");

        QTest::newRow("desktop") << QStringLiteral("Add shortcut to &Desktop") << nydFolder(NydDesktopDir);
        QTest::newRow("taskbar") << QStringLiteral("Pin on &Taskbar") << nydFolder(NydTaskbarLaunchersDir);
    }

    void shortcutAndPinCopyOnce()
    {
        QFETCH(QString, entry);
        QFETCH(QString, folder);

        QVERIFY(!folder.isEmpty() && QDir().mkpath(folder));
        const QString target = folder + QLatin1Char('/') + QFileInfo(m_desktopFile).fileName();
        QFile::remove(target);
        QVERIFY(TestHelpers::writeFile(m_desktopFile, "first"));
        QVERIFY(useMenu(rowCenter(AppRow), {entry}).picked);
        QVERIFY(m_window->isVisible());
        QCOMPARE(TestHelpers::readFile(target), QByteArray("first"));

        // A second time the copy already exists and stays as it is.
        QVERIFY(TestHelpers::writeFile(m_desktopFile, "second"));
        bool picked = false;
        const QByteArray written = capturedStderr([&] {
            picked = useMenu(rowCenter(AppRow), {entry}).picked;
        });
        QVERIFY(picked);
        QCOMPARE(QString::fromUtf8(written), QStringLiteral("Failed to copy %1 to %2\n").arg(m_desktopFile, target));
        QCOMPARE(TestHelpers::readFile(target), QByteArray("first"));
        QVERIFY(m_window->isVisible());
        QVERIFY(allEnded());
        QVERIFY(calls().isEmpty());
    }

private:
    QListView *list() const
    {
        return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
    }
    QModelIndex index(int row) const
    {
        return row == NoRow ? QModelIndex() : m_model->index(row, 0);
    }
    QPoint rowCenter(int row) const
    {
        return list()->visualRect(index(row)).center();
    }
    QList<QStringList> calls() const
    {
        return TestHelpers::recordedCalls(m_fakes->filePath(QStringLiteral("records")));
    }

    // startDetached() forks before it returns, so whatever an action started
    // either still holds the pipe or has recorded its call.
    bool allEnded()
    {
        if (m_lent >= 0) {
            ::close(m_lent);
            m_lent = -1;
        }
        char byte;
        return ::read(m_watch, &byte, 1) == 0;
    }

    // Right-clicks the list at pos, notes what the menu offers, then picks the
    // entries along path with the keyboard, or closes the menu when path is empty.
    MenuVisit useMenu(const QPoint &pos, QStringList path)
    {
        MenuVisit visit;
        QPointer<QMenu> handled;
        QElapsedTimer elapsed;
        elapsed.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (elapsed.hasExpired(30000)) {
                // A menu the poll cannot reach must not hang the run; picked stays false.
                const auto widgets = QApplication::topLevelWidgets();
                for (QWidget *widget : widgets) {
                    if (qobject_cast<QMenu *>(widget) && widget->isVisible()) {
                        widget->close();
                    }
                }
                return;
            }
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || menu == handled) {
                return;
            }
            handled = menu;
            if (!visit.shown) {
                visit.shown = true;
                visit.parentless = !menu->parent();
                visit.position = menu->pos();
                visit.styleSheet = menu->styleSheet();
                const auto actions = menu->actions();
                for (const QAction *action : actions) {
                    visit.entries.append(QStringLiteral("%1 (%2)").arg(action->text(), action->icon().name()));
                    const auto subActions = action->menu() ? action->menu()->actions() : QList<QAction *>();
                    for (const QAction *sub : subActions) {
                        visit.entries.append(QStringLiteral("%1/%2 (%3)").arg(action->text(), sub->text(), sub->icon().name()));
                    }
                }
            }
            QAction *action = nullptr;
            const QString text = path.isEmpty() ? QString() : path.takeFirst();
            const auto actions = menu->actions();
            for (QAction *candidate : actions) {
                action = candidate->text() == text ? candidate : action;
            }
            if (!action) {
                path.clear();
                menu->close();
                return;
            }
            visit.picked = path.isEmpty();
            menu->setActiveAction(action);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        poll.start(10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &event);
        return visit;
    }

    QTemporaryDir m_files;
    QString m_documentPath;
    QString m_desktopFile;
    QByteArray m_path;
    std::unique_ptr<QTemporaryDir> m_fakes;
    int m_watch = -1;
    int m_lent = -1;
    MainWindow *m_window = nullptr;
    QStandardItemModel *m_model = nullptr;
};

QTEST_MAIN(ResultActionsTest)
#include "resultactionstest.moc"
