// SPDX-License-Identifier: GPL-2.0-or-later
// The panel window in this process: its pages and focus rules, the commands,
// theme and placement it obeys, what its results offer, and what typing shows
// with the real runners over a real index.
#include "mainwindow.h"
#include "baloomonitor.h"
#include "commandserver.h"
#include "fakerunner.h"
#include "nydcore.h"
#include "placement.h"
#include "resultsmodel.h"
#include "runnerresultsmodel.h"
#include "settingsdialog.h"
#include "testhelpers.h"
#include "themecolors.h"

#include <KConfig>
#include <KConfigGroup>
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDBusConnectionInterface>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <unistd.h>

namespace
{
enum Row { NoRow = -1, AppHeader, AppRow, FileHeader, FileRow, HelpHeader, HelpRow };
const QString s_helpUrl = QStringLiteral("qthelp://org.nyd.help.ru/nydhelp/basics.html");

QStandardItem *listRow(const QString &text, const QString &category, const QString &id = {}, const QUrl &url = {})
{
    auto *item = new QStandardItem(text);
    item->setData(id.isEmpty(), ResultsModel::IsCategoryRole);
    item->setData(category, ResultsModel::CategoryRole);
    item->setData(id.isEmpty() ? QVariant() : QVariant(id), ResultsModel::IdRole);
    item->setData(id, ResultsModel::CommandRole);
    item->setData(url, ResultsModel::DataRole);
    return item;
}

QMap<QString, QString> menuTheme(const QString &menu, const QString &text, const QString &active, const QString &activeText)
{
    return {{QStringLiteral("MenuColor"), menu},
            {QStringLiteral("MenuStringColor"), text},
            {QStringLiteral("MenuActiveColor"), active},
            {QStringLiteral("MenuStringActiveColor"), activeText}};
}

QString folder(NydDir which)
{
    return QString::fromStdString(GetNydDir(which));
}

// Another client, as when the user clicks elsewhere or a program grabs the keyboard.
struct ForeignClient {
    ForeignClient()
    {
        xcb_create_window(c, 0, window, screen->root, 1200, 100, 200, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(c, window);
        xcb_flush(c);
    }
    // Its window and its grab end with it.
    ~ForeignClient()
    {
        xcb_disconnect(c);
    }
    void takeFocus()
    {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
    void grabKeyboard()
    {
        std::free(xcb_grab_keyboard_reply(c, xcb_grab_keyboard(c, 0, screen->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr));
    }
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t window = xcb_generate_id(c);
};

class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *returnData) const override
    {
        return hint == QStyle::SH_ItemView_ActivateItemOnSingleClick ? 1 : QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No test mode: the service cache and the index are built by programs of their own.
        QVERIFY2(QDir::homePath().startsWith(qEnvironmentVariable("NYD_SESSION_DIR", QStringLiteral("-")) + QLatin1Char('/')), "run in scripts/session.sh");
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        QSettings().clear();
        m_document = m_files.filePath(QStringLiteral("My Documents/report 1.odt"));
        m_desktopFile = m_files.filePath(QStringLiteral("My Apps/nyd заметки.desktop"));
        QVERIFY(TestHelpers::writeFile(m_document, "report"));
        QVERIFY(TestHelpers::writeFile(m_desktopFile, "[Desktop Entry]\nType=Application\nName=Notes\nExec=nyd-notes\n"));
        // Each part would touch the marker if a shell saw the command unquoted.
        m_marker = m_files.filePath(QStringLiteral("injected"));
        m_hostileCommand = QStringLiteral("it's \"$(touch %1)\" `touch %1`; touch %1 | touch %1 > %1 & touch %1\ntouch %1 $HOME \\ *").arg(m_marker);
        m_path = qgetenv("PATH");
        // Enough applications for a list that scrolls, and one whose command a shell would take apart if it were not quoted.
        const QString applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation) + QLatin1Char('/');
        for (int i = -1; i <= 12; ++i) {
            // Two that a word matches alike but for their length.
            const QByteArray name = i > 0 ? QByteArray("Quuxtool " + QByteArray::number(i).rightJustified(2, '0')) : i ? "Zeta Maps" : "Zeta Notebook";
            const QByteArray exec = i ? QByteArray::number(i).prepend("true ") : "printf \"%s\" \"it's $(touch " + QFile::encodeName(m_marker) + ")\"";
            const QByteArray entry = "[Desktop Entry]\nType=Application\nIcon=system-run\nName=" + name + "\nExec=" + exec;
            QVERIFY(TestHelpers::writeFile(applications + QString::fromLatin1(name) + QStringLiteral(".desktop"), entry));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("kbuildsycoca5"), {QStringLiteral("--noincremental")}), 0);
        // A file in the real index, found by a word inside it.
        QVERIFY(TestHelpers::writeFile(m_indexedFile, "Notes about the zephyrine project.\n"));
        QVERIFY(TestHelpers::writeFile(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc"),
            "[Basic Settings]\nIndexing-Enabled=true\n[General]\nonly basic indexing=false\nfolders[$e]=" + QFile::encodeName(QDir::homePath()) + "/EndToEnd"));
        m_indexer.start(QStringLiteral("baloo_file"), {});
        // Asked in a process of its own: one in this process could keep the index file the indexer replaces.
        const QStringList indexed{QStringLiteral("-c"), QStringLiteral("baloosearch zephyrine | grep -qxF \"$0\""), m_indexedFile};
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("sh"), indexed) == 0, 120000);
    }

    void init()
    {
        // Stand-ins in a folder whose name needs quoting, recording their calls.
        m_fakes = std::make_unique<QTemporaryDir>();
        const QString bin = m_fakes->filePath(QStringLiteral("fake bin's dir/"));
        for (const char *program : {"nyd-open", "nyd-fops", "nyd-props", "nyd-term", "nyd-find", "assistant", "khelpcenter"}) {
            QVERIFY(TestHelpers::writeRecorder(bin + QLatin1String(program), m_fakes->filePath(QStringLiteral("records"))));
        }
        qputenv("PATH", QFile::encodeName(bin) + ':' + m_path);
        // All that actions start inherit the write end; the read end sees its end once they are gone.
        QCOMPARE(::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK), 0);
        ::fcntl(m_pipe[1], F_SETFD, 0);

        m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
        m_query = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
        m_list = m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
        m_model = new QStandardItemModel(m_window);
        m_model->appendRow(listRow(QStringLiteral("Applications"), QStringLiteral("Applications")));
        m_model->appendRow(listRow(QStringLiteral("Notes"), QStringLiteral("Applications"), m_hostileCommand, QUrl::fromLocalFile(m_desktopFile)));
        m_model->appendRow(listRow(QStringLiteral("Document"), QStringLiteral("Document")));
        m_model->appendRow(listRow(QStringLiteral("report 1.odt"), QStringLiteral("Document"), m_document, QUrl::fromLocalFile(m_document)));
        m_model->appendRow(listRow(QStringLiteral("Help"), QStringLiteral("Help")));
        m_model->appendRow(listRow(QStringLiteral("Basics"), QStringLiteral("Help"), s_helpUrl, QUrl(s_helpUrl)));
    }

    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        allEnded();
        ::close(m_pipe[0]);
        m_fakes.reset();
        qputenv("PATH", m_path);
    }

    void pagesFollowTheQuery()
    {
        showAndFocus();
        QCOMPARE(page(), QStringLiteral("pageSearchResults"));
        for (const auto &[typed, expected] : {std::pair{"   ", "pageEmptySearch"}, {"  a ", "pageSearchResults"}}) {
            QTest::keyClicks(m_query, QLatin1String(typed));
            QCOMPARE(page(), QLatin1String(expected));
            m_query->selectAll();
            QTest::keyClick(m_query, Qt::Key_Backspace);
            QCOMPARE(page(), QStringLiteral("pageEmptySearch"));
        }
        // F1 and the advanced search button start the desktop's programs; the panel stays.
        QTest::keyClick(m_query, Qt::Key_F1);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("pushButtonAdvancedSearch")), Qt::LeftButton);
        QTRY_VERIFY(allEnded());
        QList<QStringList> started = calls();
        std::sort(started.begin(), started.end());
        QCOMPARE(
            started,
            (QList<QStringList>{{QStringLiteral("khelpcenter"), QStringLiteral("help:/kcm_nydsearch")}, {QStringLiteral("nyd-find"), QStringLiteral("-d")}}));
        QVERIFY(m_window->isVisible());
        // Typing goes on into the query line.
        QCOMPARE(QApplication::focusWidget(), m_query);
    }

    void focusRules()
    {
        connect(qApp, &QApplication::focusChanged, m_window, &MainWindow::onFocusChanged);
        showAndFocus();
        QTest::keyClicks(m_query, QStringLiteral("notes"));
        // A keyboard grab is no focus change.
        QSignalSpy focusChanges(qApp, &QApplication::focusChanged);
        {
            ForeignClient grabber;
            grabber.grabKeyboard();
            // Qt would deactivate the panel a moment after an unfiltered focus-out.
            QVERIFY(!focusChanges.wait(1000));
        }
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_query->text(), QStringLiteral("notes"));

        // Focus taken by another client hides the panel and clears the query.
        ForeignClient other;
        other.takeFocus();
        QTRY_VERIFY(m_window->isHidden());
        QVERIFY(m_query->text().isEmpty());
        QCOMPARE(page(), QStringLiteral("pageEmptySearch"));

        // A loss that reaches the panel shown again before the window system gave
        // it the focus anew is the earlier showing's; then Escape hides the panel and
        // keeps the query, also once hiding took the focus away.
        m_window->show();
        m_window->onFocusChanged(m_query, nullptr);
        QVERIFY(m_window->isVisible());
        m_window->activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), m_query);
        QTest::keyClicks(m_query, QStringLiteral("notes"));
        QTest::keyClick(m_query, Qt::Key_Escape);
        QVERIFY(m_window->isHidden());
        QTRY_VERIFY(!QApplication::activeWindow());
        QCOMPARE(m_query->text(), QStringLiteral("notes"));
    }

    void screenChangeHides()
    {
        QScreen *screen = QGuiApplication::primaryScreen();
        for (const bool primary : {false, true}) {
            m_window->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_window));
            primary ? Q_EMIT qGuiApp->primaryScreenChanged(screen) : Q_EMIT screen->virtualGeometryChanged(screen->virtualGeometry());
            QVERIFY(m_window->isHidden());
        }
    }

    void queryAndGeometry()
    {
        CommandServer server(m_window);
        // Options apart by bars.
        const auto run = [&server](const char *options) {
            server.processRemoteArguments(QStringLiteral("nyd-search-panel|%1").arg(QLatin1String(options)).split(QLatin1Char('|'), Qt::SkipEmptyParts));
        };
        m_query->setText(QStringLiteral("world"));
        run("-q|hello |--width|300|--height|500");
        QCOMPARE(m_query->text(), QStringLiteral("hello world"));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(m_window->geometry(), QRect(screen.left(), screen.bottom() - 500, 600, 501));
        // The last value counts; values that are not numbers count as 0.
        run("--query=new |--query|last |--width|wide|-p|0|-s|40");
        QCOMPARE(m_query->text(), QStringLiteral("last hello world"));
        QCOMPARE(m_window->width(), m_window->minimumSizeHint().width());
        QCOMPARE(m_window->y(), screen.top() + 40);
        // No border on the taskbar's side.
        QVERIFY(m_window->styleSheet().contains(QLatin1String("border-top: 0px")));
        for (const char *options : {"-s|-99999|--width|1073741824", "-s|2147483647|--width|1073741824"}) {
            run(options);
            QVERIFY(screen.contains(m_window->geometry()));
            QCOMPARE(m_window->width(), screen.width());
        }
        run("");
        QCOMPARE(m_query->text(), QString());
        QCOMPARE(m_window->geometry().size(), QSize(404, 533));
    }

    void placement_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("size");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("borders"); // top, left, bottom, right
        const QRect hd(0, 0, 1920, 1080);
        const QSize panel(404, 532);
        QTest::newRow("right") << 1 << 40 << panel << 1.0 << hd << QRect(1920 - 404 - 40, 0, 404, 534) << "1110";
        QTest::newRow("bottom") << 2 << 40 << panel << 1.0 << hd << QRect(0, 1080 - 533 - 40, 404, 533) << "1101";
        QTest::newRow("left") << 3 << 40 << panel << 1.0 << hd << QRect(40, 0, 404, 534) << "1011";
        QTest::newRow("ratio 2") << 1 << 41 << QSize(405, 533) << 2.0 << QRect(0, 0, 960, 540) << QRect(960 - 202 - 20, 0, 202, 268) << "1110";
        QTest::newRow("ratio below 1, extreme sizes") << 1 << 2147483647 << QSize(2147483647, -2147483647) << 0.5 << hd << QRect(0, 0, 1920, 102) << "1110";
        QTest::newRow("second monitor") << 1 << 40 << panel << 1.0 << QRect(1920, 0, 1280, 1024) << QRect(1920 + 1280 - 404 - 40, 0, 404, 534) << "1110";
    }

    void placement()
    {
        QFETCH(int, position);
        QFETCH(int, size);
        QFETCH(QSize, requested);
        QFETCH(qreal, ratio);
        QFETCH(QRect, screen);
        QFETCH(QRect, geometry);
        QFETCH(QString, borders);
        const Placement placed = computePlacement(position, size, requested.width(), requested.height(), ratio, screen, screen.size(), QSize(150, 100));
        QCOMPARE(placed.geometry, geometry);
        QCOMPARE(QStringLiteral("%1%2%3%4").arg(placed.borderTop).arg(placed.borderLeft).arg(placed.borderBottom).arg(placed.borderRight), borders);
    }

    void theme_data()
    {
        QTest::addColumn<QString>("givenColors"); // menu, text, active, active text
        QTest::addColumn<QString>("expectedColors"); // background, selection, selected text, query background, advanced background
        QTest::addColumn<bool>("darkIcons");
        const auto row = [](const char *name, const char *given, const char *expected, bool darkIcons) {
            QTest::newRow(name) << QString::fromLatin1(given) << QString::fromLatin1(expected) << darkIcons;
        };
        row("ordinary", "#fafafa #000000 #3DAEE9 #FFFFFF", "#fafafa #3daee9 #ffffff #3daee9 #3daee9", true);
        row("default theme", "#4d7593 #eeeeee #2b4f6a #ffffff", "#4d7593 #2b4f6a #ffffff #547fa2 #44aee4", false);
        row("default theme is case-sensitive", "#4D7593 #010101 #2b4f6a #ffffff", "#4D7593 #2b4f6a #ffffff #2b4f6a #2b4f6a", false);
        row("names", "white black navy yellow", "white #000080 #ffff00 #000080 #000080", true);
        const QPalette palette = QGuiApplication::palette();
        QTest::newRow("missing: the palette")
            << "true @Variant(0) #ff0000 true"
            << QStringLiteral("%1 #ff0000 %2 #ff0000 #ff0000").arg(palette.color(QPalette::Window).name(), palette.color(QPalette::HighlightedText).name())
            << (palette.color(QPalette::WindowText) == Qt::black);
    }

    void theme()
    {
        QFETCH(QString, givenColors);
        QFETCH(QString, expectedColors);
        QFETCH(bool, darkIcons);
        const QStringList given = givenColors.split(QLatin1Char(' '));
        m_window->applyTheme(menuTheme(given[0], given[1], given[2], given[3]));
        const ThemeColors *colors = ThemeColors::instance();
        QCOMPARE(QStringList({colors->backgroundColor(),
                              colors->selectionColor(),
                              colors->selectedTextColor(),
                              colors->queryBackgroundColor(),
                              colors->advancedSearchBackgroundColor()})
                     .join(QLatin1Char(' ')),
                 expectedColors);
        QCOMPARE(colors->borderColor(), colors->selectionColor());
        QCOMPARE(colors->queryTextColor(), colors->textColor());
        QVERIFY(!m_window->styleSheet().contains(QLatin1String("true")));
        const QColor text = QColor::isValidColor(given[1]) ? QColor(given[1]) : QGuiApplication::palette().color(QPalette::WindowText);
        QCOMPARE(QColor(colors->textColor()), text);
        QCOMPARE(m_query->palette().color(QPalette::Inactive, QPalette::PlaceholderText), text);
        // Headers are dimmer: the theme's own shade, else one towards the palette's background.
        QVERIFY(QColor::isValidColor(given[1]) ? colors->dimTextColor() == text.darker(120).name() : QColor(colors->dimTextColor()) != text);
        const QIcon icon(QStringLiteral(":/resources/icons/icon-search") + (darkIcons ? QStringLiteral("-dark.svg") : QStringLiteral(".svg")));
        QCOMPARE(m_window->findChild<QPushButton *>(QStringLiteral("pushButtonSearch"))->icon().pixmap(16).toImage(), icon.pixmap(16).toImage());
    }

    void actions_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("call");
        QTest::addColumn<bool>("hides");
        // Calls apart by bars: ~d stands for the document, ~a for the application entry, ~c for its command.
        const auto row = [this](const char *name, const char *trigger, Row row, const QString &call, bool hides) {
            QStringList parts = call.split(QLatin1Char('|'), Qt::SkipEmptyParts);
            for (QString &part : parts) {
                part.replace(QLatin1String("~d"), m_document).replace(QLatin1String("~a"), m_desktopFile).replace(QLatin1String("~c"), m_hostileCommand);
            }
            QTest::newRow(name) << QString::fromUtf8(trigger) << int(row) << parts << hides;
        };
        row("call, help",
            "call",
            HelpRow,
            QDir::homePath().prepend(QLatin1String("assistant|-collectionFile|")) + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc|-showUrl|")
                + s_helpUrl,
            true);
        row("click", "click", FileRow, QStringLiteral("nyd-open|-e|file://~d"), true);
        // Such a style makes a click emit activated() as well: still one start.
        row("click, style activating on click", "single-click style", FileRow, QStringLiteral("nyd-open|-e|file://~d"), true);
        row("Return on query", "Return on query", FileRow, QStringLiteral("nyd-open|-e|file://~d"), true);
        row("Return on list", "Return on list", AppRow, QStringLiteral("nyd-open|-e|file://~a"), true);
        row("Return, no current row", "Return on query", NoRow, QString(), false);
        row("menu, open", "&Open", AppRow, QStringLiteral("nyd-open|-e|file://~a"), true);
        row("menu, terminal gets the command whole", "Open in &terminal", AppRow, QStringLiteral("nyd-term|--noclose|-e|~c"), true);
        row("menu, show in file manager", "&Show in file manager", FileRow, QStringLiteral("nyd-open|-e|") + QFileInfo(m_document).path(), false);
        row("menu, send to desktop", "&Send to/&Desktop", FileRow, QStringLiteral("nyd-fops|--copy|~d|%1/").arg(folder(NydDesktopDir)), false);
        row("menu, send to home", "&Send to/&Home", FileRow, QStringLiteral("nyd-fops|--copy|~d|%1/").arg(folder(NydHomeDir)), false);
        row("menu, send to documents", "&Send to/&Documents", FileRow, QStringLiteral("nyd-fops|--copy|~d|%1/").arg(folder(NydDocumentsDir)), false);
        row("menu, properties", "&Properties", FileRow, QStringLiteral("nyd-props|-s|~d"), false);
        row("no menu on a header", "&Open", FileHeader, QString(), false);
        row("no menu below the rows", "&Open", NoRow, QString(), false);
    }

    void actions()
    {
        QFETCH(QString, trigger);
        QFETCH(int, row);
        QFETCH(QStringList, call);
        QFETCH(bool, hides);
        m_list->setModel(m_model);
        m_list->setItemDelegate(new QStyledItemDelegate(m_list));
        m_window->setGeometry(QRect(QGuiApplication::primaryScreen()->geometry().center() - QPoint(200, 270), QSize(404, 532)));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        m_list->selectionModel()->setCurrentIndex(index(row), QItemSelectionModel::NoUpdate);

        SingleClickStyle style;
        if (trigger == QLatin1String("call")) {
            m_window->openResult(index(row));
        } else if (trigger.contains(QLatin1String("click"))) {
            m_list->setStyle(trigger == QLatin1String("click") ? nullptr : &style);
            QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, rowCenter(row));
            m_list->setStyle(nullptr);
        } else if (trigger.contains(QLatin1String(" on "))) {
            QWidget *target = trigger.endsWith(QLatin1String("list")) ? static_cast<QWidget *>(m_list) : m_query;
            QTest::keyClick(target, trigger.startsWith(QLatin1String("Enter")) ? Qt::Key_Enter : Qt::Key_Return);
        } else {
            bool picked = false;
            useMenu(row, trigger.split(QLatin1Char('/')), &picked);
            QCOMPARE(picked, !call.isEmpty());
        }
        QCOMPARE(m_window->isHidden(), hides);
        QTRY_VERIFY(allEnded());
        QCOMPARE(calls(), call.isEmpty() ? QList<QStringList>() : QList<QStringList>{call});
        QVERIFY2(!QFile::exists(m_marker), "a shell ran part of a command");
    }

    void menuFollowsTheCategory_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("key"); // of the X server, typed in the query line; none: a right click on the row
        QTest::addColumn<QString>("entries");
        const QString application = QStringLiteral("&Open, Open in &terminal, Add shortcut to &Desktop, Pin on &Taskbar");
        QTest::newRow("application") << int(AppRow) << QString() << application;
        QTest::newRow("application, Shift+F10") << int(AppRow) << QStringLiteral("shift+F10") << application;
        QTest::newRow("help") << int(HelpRow) << QString() << "&Open";
        QTest::newRow("document, Menu key") << int(FileRow) << QStringLiteral("Menu")
                                            << "&Open, &Show in file manager, &Copy, Copy &path, &Send to, &Send to/&Desktop, &Send to/&Home, "
                                               "&Send to/&Documents, &Properties";
    }

    void menuFollowsTheCategory()
    {
        QFETCH(int, row);
        QFETCH(QString, key);
        QFETCH(QString, entries);
        m_list->setModel(m_model);
        showAndFocus();
        m_list->setCurrentIndex(index(row));
        m_window->applyTheme(menuTheme(QStringLiteral("#102030"), QStringLiteral("#405060"), QStringLiteral("#708090"), QStringLiteral("#a0b0c0")));
        // The theme ties the border to the selection; apart, a mix-up of the two shows.
        ThemeColors::instance()->setBorderColor(QStringLiteral("#d0e0f0"));
        QCOMPARE(useMenu(row, {}, nullptr, {}, key).join(QStringLiteral(", ")), entries);
        for (const char *rule :
             {"QMenu{background-color:#102030;border:1pxsolid#d0e0f0;color:#405060;}", "::item:selected{background-color:#708090;color:#a0b0c0;}"}) {
            QVERIFY2(QString(m_menuStyleSheet).remove(QLatin1Char('\n')).contains(QLatin1String(rule)), qPrintable(m_menuStyleSheet));
        }
        QVERIFY(m_window->isVisible() && allEnded() && calls().isEmpty());
    }

    void copiesAndClipboard()
    {
        m_list->setModel(m_model);
        showAndFocus();
        QClipboard *clipboard = QGuiApplication::clipboard();
        for (const auto &[entry, format, content] :
             {std::tuple{"&Copy", "text/uri-list", QByteArray("file://" + m_document.toUtf8().replace(' ', "%20") + "\r\n")},
              {"Copy &path", "text/plain", m_document.toUtf8()}}) {
            clipboard->setText(QStringLiteral("before"));
            bool picked = false;
            useMenu(FileRow, {QLatin1String(entry)}, &picked);
            QVERIFY(picked);
            QTRY_COMPARE(clipboard->mimeData()->data(QLatin1String(format)), content);
        }

        // Shortcuts and pins copy the entry once and never overwrite.
        for (NydDir which : {NydDesktopDir, NydTaskbarLaunchersDir}) {
            const QString target = folder(which) + QLatin1Char('/') + QFileInfo(m_desktopFile).fileName();
            // A fresh home has neither folder.
            QVERIFY(QDir(folder(which)).removeRecursively());
            const QString entry = which == NydDesktopDir ? QStringLiteral("Add shortcut to &Desktop") : QStringLiteral("Pin on &Taskbar");
            for (const QByteArray &contents : {QByteArray("first"), QByteArray("second")}) {
                QVERIFY(TestHelpers::writeFile(m_desktopFile, contents));
                bool picked = false;
                useMenu(AppRow, {entry}, &picked);
                QVERIFY(picked);
                QCOMPARE(TestHelpers::readFile(target), QByteArray("first"));
            }
        }
        QVERIFY(m_window->isVisible() && allEnded() && calls().isEmpty());
    }

    void menuActsOnTheClickedMatch_data()
    {
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QString>("copied");
        // "a" is in row 1 when the menu opens.
        QTest::newRow("gone, another in its row") << QStringLiteral("Document b P 0.9, Document c P 0.8") << QStringLiteral("before");
        QTest::newRow("moved to another row") << QStringLiteral("Document z E 0.9, Document a P 0.9") << QStringLiteral("/docs/a");
        QTest::newRow("all gone") << QString() << "before";
    }

    void menuActsOnTheClickedMatch()
    {
        QFETCH(QString, meanwhile);
        QFETCH(QString, copied);
        showMatches(QStringLiteral("Document a P 0.9, Document b P 0.5"));
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QCOMPARE(index(1).data().toString(), QStringLiteral("a"));
        // New matches arrive while the menu runs its own event loop.
        bool picked = false;
        useMenu(1, {QStringLiteral("Copy &path")}, &picked, [&] {
            showMatches(meanwhile);
        });
        QVERIFY(picked);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied);
    }

    void typingAndKeys()
    {
        search(QStringLiteral("zzqxjv"));
        QCOMPARE(page(), QStringLiteral("pageNoResults"));
        QCOMPARE(m_list->model()->rowCount(), 0);

        search(QStringLiteral("quuxtool"));
        QCOMPARE(page(), QStringLiteral("pageSearchResults"));
        const QAbstractItemModel *model = m_list->model();
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Best match"));
        QCOMPARE(m_list->currentIndex().data(ResultsModel::CategoryRole).toString(), QStringLiteral("Applications"));
        // The results area gives way to a visible scroll bar.
        QTRY_VERIFY(m_list->verticalScrollBar()->isVisible());
        QCOMPARE(m_window->findChild<QLayout *>(QStringLiteral("verticalLayoutResults"))->contentsMargins().right(), 1);

        QList<int> results;
        for (const QModelIndex &result : model->match(model->index(0, 0), ResultsModel::IsCategoryRole, false, -1, Qt::MatchExactly)) {
            results << result.row();
        }
        QVERIFY2(results.first() == 1 && results.last() - results.first() >= results.size(), "the results must span a second header");
        // Down walks every result once, never a header, and stops at the last.
        QList<int> visited{m_list->currentIndex().row()};
        for (int step = 0; step < model->rowCount(); ++step) {
            QTest::keyClick(m_query, Qt::Key_Down);
            if (m_list->currentIndex().row() != visited.last()) {
                visited << m_list->currentIndex().row();
            }
        }
        QCOMPARE(visited, results);
        for (int i = visited.size() - 2; i >= 0; --i) {
            QTest::keyClick(m_list, Qt::Key_Up);
            QCOMPARE(m_list->currentIndex().row(), visited.at(i));
        }
        // Up on the first result shows the header above it.
        m_list->verticalScrollBar()->setValue(m_list->verticalScrollBar()->maximum());
        QTest::keyClick(m_query, Qt::Key_Up);
        QCOMPARE(m_list->currentIndex().row(), 1);
        QCOMPARE(m_list->verticalScrollBar()->value(), 0);
        QCOMPARE(m_query->text(), QStringLiteral("quuxtool"));
    }

    // Every way of opening a result counts, and what is opened more comes first, also after a restart.
    void launchCountsRaiseResults()
    {
        const QString counts = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/krunnerstaterc");
        QVERIFY(TestHelpers::writeFile(counts, "") && QFile::setPermissions(counts, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        const auto bestMatches = [this]() -> QString {
            search(QStringLiteral("zeta"));
            return index(1).data().toString() + QLatin1Char('|') + index(2).data().toString();
        };
        QCOMPARE(bestMatches(), QStringLiteral("Zeta Maps|Zeta Notebook"));
        for (const char *way : {"Return", "click", "Open in &terminal"}) {
            bestMatches();
            const int row = m_list->model()->match(index(0), Qt::DisplayRole, QStringLiteral("Zeta Notebook")).value(0).row();
            m_list->setCurrentIndex(index(row));
            if (way == QByteArray("Return")) {
                QTest::keyClick(m_query, Qt::Key_Return);
            } else if (way == QByteArray("click")) {
                QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, rowCenter(row));
            } else {
                useMenu(row, {QString::fromLatin1(way)});
            }
            QTRY_VERIFY(m_window->isHidden());
        }
        // The terminal got the entry's command whole, for no shell to take apart.
        QTRY_VERIFY(allEnded());
        const QList<QStringList> started = calls();
        QVERIFY(std::any_of(started.cbegin(), started.cend(), [](const QStringList &call) {
            return call.size() == 4 && call.at(0) == QLatin1String("nyd-term") && call.at(3).contains(QLatin1String("$(touch "));
        }));
        QVERIFY(!QFile::exists(m_marker));
        // Written at once, one entry for each result, in the runner library's format.
        const QString id = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, QStringLiteral("Zeta Notebook.desktop"));
        const KConfig state(counts, KConfig::SimpleConfig);
        QCOMPARE(state.group("PlasmaRunnerManager").readEntry("LaunchCounts", QStringList()).filter(id), QStringList{QStringLiteral("3 ") + id});
        QVERIFY(!(QFile::permissions(counts) & (QFile::ReadGroup | QFile::ReadOther)));
        QCOMPARE(bestMatches(), QStringLiteral("Zeta Notebook|Zeta Maps"));
        cleanup();
        init();
        QCOMPARE(bestMatches(), QStringLiteral("Zeta Notebook|Zeta Maps"));
    }

    void settingsDialogOneAtATime()
    {
        const auto dialogs = [] {
            QList<QWidget *> found;
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                found << (qobject_cast<SettingsDialog *>(widget) ? widget : nullptr);
            }
            found.removeAll(nullptr);
            return found;
        };
        showAndFocus();
        QTest::keyClicks(m_query, QStringLiteral("abc"));
        auto *settings = m_window->findChild<QPushButton *>(QStringLiteral("pushButtonSettings"));
        settings->click();
        QVERIFY(m_window->isHidden() && m_query->text().isEmpty());
        QCOMPARE(dialogs().size(), 1);
        const QPointer<QWidget> dialog = dialogs().constFirst();
        dialog->setWindowState(Qt::WindowMinimized);
        settings->click();
        QVERIFY(dialogs() == QList<QWidget *>{dialog} && !dialog->isMinimized());
        // Cancel and the close button both let it go; the next click makes a new one.
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        QTRY_VERIFY(!dialog);
        settings->click();
        QTRY_COMPARE(dialogs().size(), 1);
        dialogs().constFirst()->close();
        QTRY_VERIFY(dialogs().isEmpty());
    }

    // Last: it replaces the indexer the others search.
    void indexerHooks()
    {
        // An indexer never configured, and none running.
        m_indexer.kill();
        QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.kde.baloo")));
        const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
        QVERIFY(TestHelpers::writeFile(config, "[Basic Settings]\nIndexing-Enabled=false\n"));
        QVERIFY(TestHelpers::writeRecorder(m_fakes->filePath(QStringLiteral("fake bin's dir/baloo_file")),
                                           m_fakes->filePath(QStringLiteral("records")),
                                           "exec /usr/bin/baloo_file"));
        MainWindow window;
        // The indexer it starts may already be adding keys of its own.
        const KConfig written(config, KConfig::SimpleConfig);
        QCOMPARE(written.group("Basic Settings").readEntry("Indexing-Enabled") + written.group("General").readEntry("only basic indexing"),
                 QStringLiteral("truetrue"));
        QTRY_COMPARE(calls(), QList<QStringList>({{QStringLiteral("baloo_file")}}));

        // The warning shows while the indexer works, and only then.
        auto *monitor = window.findChild<BalooMonitor *>();
        auto *warning = window.findChild<QLabel *>(QStringLiteral("labelIndexationInProgress"));
        QSignalSpy changes(monitor, &BalooMonitor::balooStateChanged);
        connect(monitor, &BalooMonitor::balooStateChanged, this, [&] {
            QCOMPARE(warning->isVisibleTo(&window), monitor->isIndexing());
        });
        // Suspended once the monitor has seen it come up, so that it sees the suspension as a change.
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), 20000);
        QProcess::execute(QStringLiteral("/usr/bin/balooctl"), {QStringLiteral("suspend")});
        QTRY_COMPARE_WITH_TIMEOUT(monitor->state(), 1, 20000);
        QVERIFY(!warning->isVisibleTo(&window));
        QCOMPARE(calls().size(), 1);
    }

private:
    void search(const QString &text)
    {
        if (m_window->isHidden()) {
            // A few rows tall only, so the list has something to scroll.
            m_window->place(QString(), 2, 0, 404, 300);
            m_window->show();
            QVERIFY(QTest::qWaitForWindowExposed(m_window));
            new QAbstractItemModelTester(m_list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_window);
        }
        auto *model = qobject_cast<ResultsModel *>(m_list->model());
        m_query->setFocus();
        m_query->clear();
        QTest::keyClicks(m_query, text);
        QCOMPARE(model->queryString(), text.trimmed());
        QTRY_VERIFY_WITH_TIMEOUT(!model->querying(), 15000);
    }

    QModelIndex firstResultOf(const QString &category) const
    {
        const QModelIndexList found = m_list->model()->match(m_list->model()->index(0, 0), ResultsModel::CategoryRole, category, 1, Qt::MatchExactly);
        return found.isEmpty() ? QModelIndex() : found.first();
    }

    void showAndFocus()
    {
        m_window->place(QString(), 2, 0, 404, 532);
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTRY_COMPARE(QApplication::focusWidget(), m_query);
    }

    QString page() const
    {
        return m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"))->currentWidget()->objectName();
    }

    QModelIndex index(int row) const
    {
        return row == NoRow ? QModelIndex() : m_list->model()->index(row, 0);
    }

    QPoint rowCenter(int row) const
    {
        return m_list->visualRect(index(row)).center();
    }

    QList<QStringList> calls() const
    {
        return TestHelpers::recordedCalls(m_fakes->filePath(QStringLiteral("records")));
    }

    // startDetached() forks before it returns, so whatever an action started
    // either still holds the pipe or has recorded its call.
    bool allEnded()
    {
        if (m_pipe[1] >= 0) {
            ::close(std::exchange(m_pipe[1], -1));
        }
        char byte;
        return ::read(m_pipe[0], &byte, 1) == 0;
    }

    // Right-clicks a row, then picks the entries along path with the keyboard, or
    // closes the menu when path is empty. Returns the entries offered, those of a
    // submenu as "menu/entry".
    QStringList useMenu(int row, QStringList path, bool *picked = nullptr, const std::function<void()> &meanwhile = {}, const QString &key = {})
    {
        QStringList entries;
        QPointer<QMenu> handled;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu || menu == handled) {
                return;
            }
            handled = menu;
            const auto actions = menu->actions();
            if (entries.isEmpty()) {
                meanwhile ? meanwhile() : void();
                m_menuStyleSheet = menu->styleSheet().remove(QLatin1Char(' '));
                for (const QAction *action : actions) {
                    entries << action->text();
                    for (const QAction *sub : action->menu() ? action->menu()->actions() : QList<QAction *>()) {
                        entries << action->text() + QLatin1Char('/') + sub->text();
                    }
                }
            }
            const QString text = path.isEmpty() ? QString() : path.takeFirst();
            const auto action = std::find_if(actions.cbegin(), actions.cend(), [&text](const QAction *candidate) {
                return candidate->text() == text;
            });
            if (action == actions.cend()) {
                path.clear();
                menu->close();
                return;
            }
            if (picked) {
                *picked = path.isEmpty();
            }
            menu->setActiveAction(*action);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        poll.start(10);
        if (!key.isEmpty()) {
            QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
            return QTest::qWaitFor(std::bind(&QStringList::size, &entries)) ? entries : QStringList();
        }
        const QPoint pos = row == NoRow ? rowCenter(HelpRow) + QPoint(0, 3 * m_list->visualRect(index(HelpRow)).height()) : rowCenter(row);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, m_list->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(m_list->viewport(), &event);
        return entries;
    }

    // Matches made from text, each pointing at /docs/<text>, as the runners' latest.
    void showMatches(const QString &items)
    {
        QList<Plasma::QueryMatch> matches = m_runner.matches(items);
        for (Plasma::QueryMatch &match : matches) {
            match.setData(QUrl::fromLocalFile(QStringLiteral("/docs/") + match.text()));
        }
        if (m_window->isHidden()) {
            showAndFocus();
        }
        m_list->model()->findChild<RunnerResultsModel *>()->onMatchesChanged(matches);
    }

    QTemporaryDir m_files;
    const QString m_indexedFile = QDir::homePath() + QStringLiteral("/EndToEnd/two words/zephyrine notes.txt");
    QProcess m_indexer;
    QString m_document;
    QString m_desktopFile;
    QString m_marker;
    QString m_hostileCommand;
    QByteArray m_path;
    std::unique_ptr<QTemporaryDir> m_fakes;
    int m_pipe[2] = {-1, -1}; // read end, and the write end lent to what actions start
    MainWindow *m_window = nullptr;
    QLineEdit *m_query = nullptr;
    QListView *m_list = nullptr;
    QStandardItemModel *m_model = nullptr;
    QString m_menuStyleSheet;
    FakeRunner m_runner;
};

QTEST_MAIN(MainWindowTest)
#include "mainwindowtest.moc"
