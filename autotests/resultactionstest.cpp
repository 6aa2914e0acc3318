// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "nydcore.h"
#include "resultsmodel.h"
#include "themecolors.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
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

const QStringList s_programs{
    QStringLiteral("nyd-open"),
    QStringLiteral("nyd-fops"),
    QStringLiteral("nyd-props"),
    QStringLiteral("nyd-term"),
    QStringLiteral("assistant"),
};

const char *const s_iconNames[] = {
    "document-open",
    "user-desktop",
    "preferences-system-windows",
    "folder-documents",
    "edit-copy",
    "edit-rename",
    "document-export",
    "user-home",
    "document-properties",
};

const QString s_helpUrl = QStringLiteral("qthelp://org.nyd.help.ru/nydhelp/basics.html");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QString nydFolder(NydDir which)
{
    return QString::fromStdString(GetNydDir(which));
}

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// The programs the panel starts, replaced by scripts that leave each call's
// arguments, NUL-separated, in a file of its own. They live in a folder whose
// name needs shell quoting, so an unquoted path breaks the terminal's command.
class FakePrograms
{
public:
    FakePrograms()
        : m_bin(m_root.path() + QStringLiteral("/fake bin's dir"))
        , m_calls(m_root.path() + QStringLiteral("/calls"))
    {
        QDir().mkpath(m_bin);
        QDir().mkpath(m_calls);
        for (const QString &program : s_programs) {
            const QString script = QStringLiteral(
                                       "#!/bin/sh\n"
                                       "f='%1/%2.'$$\n"
                                       "for a in \"$@\"; do printf '%s\\000' \"$a\"; done > \"$f.part\" && mv \"$f.part\" \"$f.call\"\n")
                                       .arg(m_calls, program);
            QFile file(m_bin + QLatin1Char('/') + program);
            if (file.open(QIODevice::WriteOnly)) {
                file.write(script.toUtf8());
                file.close();
                file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
            }
        }
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            m_watch = fds[0];
            m_lent = fds[1];
            ::fcntl(m_lent, F_SETFD, 0);
        }
    }
    ~FakePrograms()
    {
        allEnded();
        if (m_watch >= 0) {
            ::close(m_watch);
        }
    }
    Q_DISABLE_COPY(FakePrograms)

    bool isValid() const
    {
        return m_root.isValid() && m_watch >= 0 && QFileInfo(m_bin + QStringLiteral("/nyd-term")).isExecutable();
    }
    QString root() const
    {
        return m_root.path();
    }
    QString bin() const
    {
        return m_bin;
    }

    QList<QStringList> calls(const QString &program) const
    {
        QList<QStringList> calls;
        const auto files = QDir(m_calls).entryList({program + QStringLiteral(".*.call")}, QDir::Files);
        for (const QString &name : files) {
            QList<QByteArray> recorded = readFile(m_calls + QLatin1Char('/') + name).split('\0');
            recorded.removeLast();
            QStringList arguments;
            for (const QByteArray &argument : std::as_const(recorded)) {
                arguments.append(QString::fromUtf8(argument));
            }
            calls.append(arguments);
        }
        return calls;
    }

    // One name per call.
    QStringList started() const
    {
        QStringList names = QDir(m_calls).entryList({QStringLiteral("*.call")}, QDir::Files);
        for (QString &name : names) {
            name = name.section(QLatin1Char('.'), 0, 0);
        }
        names.sort();
        return names;
    }

    // Everything started from now on, and all it starts in turn, inherits
    // the write end of a pipe; the read end sees its end once they are all gone.
    bool allEnded()
    {
        if (m_lent >= 0) {
            ::close(m_lent);
            m_lent = -1;
        }
        char byte;
        return m_watch >= 0 && ::read(m_watch, &byte, 1) == 0;
    }

    // startDetached() forks before it returns, so whatever an action started
    // either still holds the pipe or has recorded its call.
    bool startedNothing()
    {
        return allEnded() && started().isEmpty();
    }

private:
    QTemporaryDir m_root;
    const QString m_bin;
    const QString m_calls;
    int m_watch = -1;
    int m_lent = -1;
};

// Sends what the process writes to stderr into a file while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const QString &path)
        : m_path(path)
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture()
    {
        restore();
    }
    QByteArray finish()
    {
        restore();
        return readFile(m_path);
    }

private:
    void restore()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
    }
    const QString m_path;
    int m_saved = -1;
};

struct MenuVisit {
    bool shown = false;
    bool picked = false;
    bool parentless = false;
    QPoint position;
    QString styleSheet;
    QStringList entries;
    QStringList icons;
    QStringList sendTo;
    QStringList sendToIcons;
};

QAction *findAction(const QMenu *menu, const QString &text)
{
    const auto actions = menu->actions();
    for (QAction *action : actions) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget, QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ItemView_ActivateItemOnSingleClick) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStandardItem *headerItem(const QString &category)
{
    auto *item = new QStandardItem(category);
    item->setData(true, ResultsModel::IsCategoryRole);
    item->setData(category, ResultsModel::CategoryRole);
    return item;
}

QStandardItem *resultItem(const QString &text, const QString &category, const QString &id, const QUrl &url)
{
    auto *item = new QStandardItem(text);
    item->setData(false, ResultsModel::IsCategoryRole);
    item->setData(category, ResultsModel::CategoryRole);
    item->setData(id, ResultsModel::IdRole);
    item->setData(url, ResultsModel::DataRole);
    return item;
}
}

class ResultActionsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void openingStartsTheViewer_data();
    void openingStartsTheViewer();
    void headersAndEmptySpaceDoNothing_data();
    void headersAndEmptySpaceDoNothing();
    void terminalGetsTheIdUnchanged_data();
    void terminalGetsTheIdUnchanged();
    void menuFollowsCategoryAndTheme_data();
    void menuFollowsCategoryAndTheme();
    void fileEntriesStartPrograms_data();
    void fileEntriesStartPrograms();
    void copyEntriesFillTheClipboard_data();
    void copyEntriesFillTheClipboard();
    void shortcutAndPinCopyOnce_data();
    void shortcutAndPinCopyOnce();

private:
    QListView *list() const;
    QModelIndex index(int row) const;
    QPoint rowCenter(int row) const;
    MenuVisit useMenu(const QPoint &pos, const QStringList &path);

    QTemporaryDir m_files;
    QString m_documentPath;
    QString m_desktopFile;
    QByteArray m_path;
    std::unique_ptr<FakePrograms> m_fakes;
    MainWindow *m_window = nullptr;
    QStandardItemModel *m_model = nullptr;
};

void ResultActionsTest::initTestCase()
{
    // Desktop and Documents stay where they are; the expectations ask GetNydDir.
    QStandardPaths::setTestModeEnabled(true);
    // The window prepares the help search, which has no collection installed here.
    QLoggingCategory::setFilterRules(QStringLiteral("nyd.help.warning=false"));

    QVERIFY(m_files.isValid());
    // An icon theme that has all the menu's icons, whatever the system has installed.
    const QString themes = m_files.path() + QStringLiteral("/icons");
    QVERIFY(writeFile(themes + QStringLiteral("/resultactions/index.theme"),
                      "[Icon Theme]\nName=Result actions\nDirectories=16x16\n\n[16x16]\nSize=16\nType=Fixed\n"));
    QVERIFY(QDir().mkpath(themes + QStringLiteral("/resultactions/16x16")));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    for (const char *name : s_iconNames) {
        QVERIFY(image.save(themes + QStringLiteral("/resultactions/16x16/%1.png").arg(QLatin1String(name))));
    }
    QIcon::setThemeSearchPaths({themes});
    QIcon::setThemeName(QStringLiteral("resultactions"));
    for (const char *name : s_iconNames) {
        QVERIFY2(QIcon::hasThemeIcon(QLatin1String(name)), name);
    }

    m_documentPath = m_files.path() + QStringLiteral("/My Documents/report 1.odt");
    m_desktopFile = m_files.path() + QStringLiteral("/My Apps/nyd заметки.desktop");
    QVERIFY(writeFile(m_documentPath, "report"));
    QVERIFY(writeFile(m_desktopFile, "[Desktop Entry]\nType=Application\nName=Notes\nExec=nyd-notes\n"));
    m_path = qgetenv("PATH");
}

void ResultActionsTest::init()
{
    m_fakes = std::make_unique<FakePrograms>();
    QVERIFY(m_fakes->isValid());
    qputenv("PATH", QFile::encodeName(m_fakes->bin()) + ':' + m_path);

    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    m_model = new QStandardItemModel(m_window);
    m_model->appendRow(headerItem(QStringLiteral("Applications")));
    m_model->appendRow(resultItem(QStringLiteral("Notes"), QStringLiteral("Applications"), QStringLiteral("nyd-notes"), QUrl::fromLocalFile(m_desktopFile)));
    m_model->appendRow(headerItem(QStringLiteral("Document")));
    m_model->appendRow(resultItem(QStringLiteral("report 1.odt"), QStringLiteral("Document"), m_documentPath, QUrl::fromLocalFile(m_documentPath)));
    m_model->appendRow(headerItem(QStringLiteral("Help")));
    m_model->appendRow(resultItem(QStringLiteral("Basics"), QStringLiteral("Help"), s_helpUrl, QUrl(s_helpUrl)));
    list()->setModel(m_model);
    // The panel's delegate reads its own model, not this one.
    list()->setItemDelegate(new QStyledItemDelegate(list()));

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_window->setGeometry(QRect(screen.center() - QPoint(200, 270), QSize(404, 532)));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void ResultActionsTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
    m_model = nullptr;
    m_fakes.reset();
    qputenv("PATH", m_path);
}

QListView *ResultActionsTest::list() const
{
    return m_window->findChild<QListView *>(QStringLiteral("listViewSearchResults"));
}

QModelIndex ResultActionsTest::index(int row) const
{
    return row == NoRow ? QModelIndex() : m_model->index(row, 0);
}

QPoint ResultActionsTest::rowCenter(int row) const
{
    return list()->visualRect(index(row)).center();
}

// Right-clicks the list at pos, notes what the menu offers, then chooses the
// entries along path with the keyboard, or closes the menu when path is empty.
MenuVisit ResultActionsTest::useMenu(const QPoint &pos, const QStringList &path)
{
    MenuVisit visit;
    QStringList remaining = path;
    QPointer<QMenu> handled;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer poll;
    poll.setInterval(10);
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
                visit.entries.append(action->text());
                visit.icons.append(action->icon().name());
                if (action->menu()) {
                    const auto subActions = action->menu()->actions();
                    for (const QAction *subAction : subActions) {
                        visit.sendTo.append(subAction->text());
                        visit.sendToIcons.append(subAction->icon().name());
                    }
                }
            }
        }
        if (remaining.isEmpty()) {
            menu->close();
            return;
        }
        QAction *action = findAction(menu, remaining.takeFirst());
        if (!action) {
            remaining.clear();
            menu->close();
            return;
        }
        visit.picked = remaining.isEmpty();
        menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    poll.start();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, list()->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(list()->viewport(), &event);
    return visit;
}

void ResultActionsTest::openingStartsTheViewer_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    // Blanks stay literal in the URL the viewer gets.
    const QStringList file{QStringLiteral("-e"), QStringLiteral("file://") + m_documentPath};
    const QStringList app{QStringLiteral("-e"), QStringLiteral("file://") + m_desktopFile};
    const QStringList help{QStringLiteral("-collectionFile"),
                           QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc"),
                           QStringLiteral("-showUrl"),
                           s_helpUrl};
    const QString open = QStringLiteral("nyd-open");
    const QString assistant = QStringLiteral("assistant");

    QTest::newRow("call, file") << "call" << int(FileRow) << open << file;
    QTest::newRow("call, application") << "call" << int(AppRow) << open << app;
    QTest::newRow("call, help") << "call" << int(HelpRow) << assistant << help;
    QTest::newRow("click, file") << "click" << int(FileRow) << open << file;
    QTest::newRow("click, help") << "click" << int(HelpRow) << assistant << help;
    QTest::newRow("click, style activating on click") << "single-click style" << int(FileRow) << open << file;
    QTest::newRow("click, header") << "click" << int(HelpHeader) << QString() << QStringList();
    QTest::newRow("activated, application") << "activated" << int(AppRow) << open << app;
    QTest::newRow("Return on query, file") << "Return on query" << int(FileRow) << open << file;
    QTest::newRow("Enter on query, help") << "Enter on query" << int(HelpRow) << assistant << help;
    QTest::newRow("Return on list, help") << "Return on list" << int(HelpRow) << assistant << help;
    QTest::newRow("Enter on list, application") << "Enter on list" << int(AppRow) << open << app;
    QTest::newRow("Return on query, no current row") << "Return on query" << int(NoRow) << QString() << QStringList();
    QTest::newRow("Return on list, no current row") << "Return on list" << int(NoRow) << QString() << QStringList();
    QTest::newRow("Return on query, header") << "Return on query" << int(FileHeader) << QString() << QStringList();
    QTest::newRow("menu, file") << "menu" << int(FileRow) << open << file;
    QTest::newRow("menu, application") << "menu" << int(AppRow) << open << app;
    QTest::newRow("menu, help") << "menu" << int(HelpRow) << assistant << help;
}

void ResultActionsTest::openingStartsTheViewer()
{
    QFETCH(QString, trigger);
    QFETCH(int, row);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    if (row == NoRow) {
        list()->selectionModel()->clearCurrentIndex();
    } else {
        list()->selectionModel()->setCurrentIndex(index(row), QItemSelectionModel::NoUpdate);
    }
    QVERIFY(list()->currentIndex() == index(row));

    auto *query = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
    if (trigger == QLatin1String("call")) {
        m_window->openResult(index(row));
    } else if (trigger == QLatin1String("click")) {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCenter(row));
    } else if (trigger == QLatin1String("single-click style")) {
        // Such a style makes a click emit activated() as well as clicked().
        SingleClickStyle style;
        list()->setStyle(&style);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rowCenter(row));
        list()->setStyle(nullptr);
    } else if (trigger == QLatin1String("activated")) {
        // As a double click, or a style that activates on a single one.
        Q_EMIT list()->activated(index(row));
    } else if (trigger == QLatin1String("Return on query")) {
        QTest::keyClick(query, Qt::Key_Return);
    } else if (trigger == QLatin1String("Enter on query")) {
        QTest::keyClick(query, Qt::Key_Enter);
    } else if (trigger == QLatin1String("Return on list")) {
        QTest::keyClick(list(), Qt::Key_Return);
    } else if (trigger == QLatin1String("Enter on list")) {
        QTest::keyClick(list(), Qt::Key_Enter);
    } else if (trigger == QLatin1String("menu")) {
        const MenuVisit visit = useMenu(rowCenter(row), {QStringLiteral("&Open")});
        QVERIFY(visit.picked);
    } else {
        QFAIL("unknown trigger");
    }

    if (program.isEmpty()) {
        QVERIFY(m_window->isVisible());
        QVERIFY(m_fakes->startedNothing());
        return;
    }
    QVERIFY(m_window->isHidden());
    QTRY_VERIFY(m_fakes->allEnded());
    QCOMPARE(m_fakes->started(), QStringList{program});
    QCOMPARE(m_fakes->calls(program).value(0), arguments);
}

void ResultActionsTest::headersAndEmptySpaceDoNothing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("row");

    for (const char *action : {"open", "terminal", "menu"}) {
        QTest::addRow("%s, application header", action) << QString::fromLatin1(action) << int(AppHeader);
        QTest::addRow("%s, document header", action) << QString::fromLatin1(action) << int(FileHeader);
        QTest::addRow("%s, no row", action) << QString::fromLatin1(action) << int(NoRow);
    }
}

void ResultActionsTest::headersAndEmptySpaceDoNothing()
{
    QFETCH(QString, action);
    QFETCH(int, row);

    if (action == QLatin1String("open")) {
        m_window->openResult(index(row));
    } else if (action == QLatin1String("terminal")) {
        m_window->openResultInTerminal(index(row));
    } else {
        // Below the last row when there is none.
        const QPoint pos = row == NoRow ? rowCenter(HelpRow) + QPoint(0, 3 * list()->visualRect(index(HelpRow)).height()) : rowCenter(row);
        QVERIFY(list()->viewport()->rect().contains(pos));
        QCOMPARE(list()->indexAt(pos), index(row));
        QVERIFY(!useMenu(pos, {}).shown);
    }
    QVERIFY(m_window->isVisible());
    QVERIFY(m_fakes->startedNothing());
}

void ResultActionsTest::terminalGetsTheIdUnchanged_data()
{
    QTest::addColumn<QString>("id");

    QTest::newRow("plain") << QStringLiteral("nyd-notes");
    QTest::newRow("blanks") << QStringLiteral("nyd-notes  --new  ");
    // Each of these would touch the marker if the shell saw the id unquoted.
    QTest::newRow("shell syntax") << QStringLiteral("it's \"$(touch %1)\" `touch %1`; touch %1 && touch %1 | touch %1 > %1 & touch %1\ntouch %1 $HOME \\ *");
}

void ResultActionsTest::terminalGetsTheIdUnchanged()
{
    QFETCH(QString, id);

    if (QFileInfo(QStringLiteral("/usr/bin/nyd-term")).isExecutable()) {
        QSKIP("The installed terminal goes before the recording one on PATH");
    }
    const QString marker = m_fakes->root() + QStringLiteral("/injected");
    id.replace(QLatin1String("%1"), marker);
    m_model->setData(index(AppRow), id, ResultsModel::IdRole);

    QVERIFY(useMenu(rowCenter(AppRow), {QStringLiteral("Open in &terminal")}).picked);
    QVERIFY(m_window->isHidden());
    QTRY_VERIFY(m_fakes->allEnded());
    QVERIFY2(!QFile::exists(marker), "the shell ran part of the id");
    QCOMPARE(m_fakes->started(), QStringList{QStringLiteral("nyd-term")});
    QCOMPARE(m_fakes->calls(QStringLiteral("nyd-term")).value(0), (QStringList{QStringLiteral("--noclose"), QStringLiteral("-e"), id}));
}

void ResultActionsTest::menuFollowsCategoryAndTheme_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QStringList>("icons");
    QTest::addColumn<QStringList>("sendTo");
    QTest::addColumn<QStringList>("sendToIcons");

    QTest::newRow("application") << int(AppRow)
                                 << QStringList{QStringLiteral("&Open"),
                                                QStringLiteral("Open in &terminal"),
                                                QStringLiteral("Add shortcut to &Desktop"),
                                                QStringLiteral("Pin on &Taskbar")}
                                 << QStringList{QStringLiteral("document-open"),
                                                QStringLiteral("document-open"),
                                                QStringLiteral("user-desktop"),
                                                QStringLiteral("preferences-system-windows")}
                                 << QStringList() << QStringList();
    QTest::newRow("help") << int(HelpRow) << QStringList{QStringLiteral("&Open")} << QStringList{QStringLiteral("document-open")} << QStringList()
                          << QStringList();
    QTest::newRow("document") << int(FileRow)
                              << QStringList{QStringLiteral("&Open"),
                                             QStringLiteral("&Show in file manager"),
                                             QStringLiteral("&Copy"),
                                             QStringLiteral("Copy &path"),
                                             QStringLiteral("&Send to"),
                                             QStringLiteral("&Properties")}
                              << QStringList{QStringLiteral("document-open"),
                                             QStringLiteral("folder-documents"),
                                             QStringLiteral("edit-copy"),
                                             QStringLiteral("edit-rename"),
                                             QStringLiteral("document-export"),
                                             QStringLiteral("document-properties")}
                              << QStringList{QStringLiteral("&Desktop"), QStringLiteral("&Home"), QStringLiteral("&Documents")}
                              << QStringList{QStringLiteral("user-desktop"), QStringLiteral("user-home"), QStringLiteral("folder-documents")};
}

void ResultActionsTest::menuFollowsCategoryAndTheme()
{
    QFETCH(int, row);
    QFETCH(QStringList, entries);
    QFETCH(QStringList, icons);
    QFETCH(QStringList, sendTo);
    QFETCH(QStringList, sendToIcons);

    m_window->applyTheme({{QStringLiteral("MenuColor"), QStringLiteral("#102030")},
                          {QStringLiteral("MenuStringColor"), QStringLiteral("#405060")},
                          {QStringLiteral("MenuActiveColor"), QStringLiteral("#708090")},
                          {QStringLiteral("MenuStringActiveColor"), QStringLiteral("#a0b0c0")}});
    // The theme ties the border to the selection; apart, a mix-up of the two shows.
    ThemeColors::instance()->setBorderColor(QStringLiteral("#d0e0f0"));
    const QString styleSheet =
        QStringLiteral(
            "QMenu {background-color: %1; border: 1px solid %5; color: %3} "
            "QMenu::item {background-color: %1; color: %3} "
            "QMenu::item:selected {background-color: %2; color: %4}")
            .arg(QStringLiteral("#102030"), QStringLiteral("#708090"), QStringLiteral("#405060"), QStringLiteral("#a0b0c0"), QStringLiteral("#d0e0f0"));

    const MenuVisit visit = useMenu(rowCenter(row), {});
    QVERIFY(visit.shown);
    QVERIFY(visit.parentless);
    QCOMPARE(visit.position, list()->viewport()->mapToGlobal(rowCenter(row)));
    QCOMPARE(withoutBlanks(visit.styleSheet).remove(QLatin1Char(';')), withoutBlanks(styleSheet).remove(QLatin1Char(';')));
    QCOMPARE(visit.entries, entries);
    QCOMPARE(visit.sendTo, sendTo);
    // The test's own icon theme has every name, so each one resolves and keeps its name.
    QCOMPARE(visit.icons, icons);
    QCOMPARE(visit.sendToIcons, sendToIcons);
    QVERIFY(m_window->isVisible());
    QVERIFY(m_fakes->startedNothing());
}

void ResultActionsTest::fileEntriesStartPrograms_data()
{
    QTest::addColumn<QStringList>("entry");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");

    const QString sendTo = QStringLiteral("&Send to");
    const QString fops = QStringLiteral("nyd-fops");
    const QString copy = QStringLiteral("--copy");
    QTest::newRow("show in file manager") << QStringList{QStringLiteral("&Show in file manager")} << QStringLiteral("nyd-open")
                                          << QStringList{QStringLiteral("-e"), m_files.path() + QStringLiteral("/My Documents")};
    QTest::newRow("send to desktop") << QStringList{sendTo, QStringLiteral("&Desktop")} << fops
                                     << QStringList{copy, m_documentPath, nydFolder(NydDesktopDir) + QLatin1Char('/')};
    QTest::newRow("send to home") << QStringList{sendTo, QStringLiteral("&Home")} << fops
                                  << QStringList{copy, m_documentPath, nydFolder(NydHomeDir) + QLatin1Char('/')};
    QTest::newRow("send to documents") << QStringList{sendTo, QStringLiteral("&Documents")} << fops
                                       << QStringList{copy, m_documentPath, nydFolder(NydDocumentsDir) + QLatin1Char('/')};
    QTest::newRow("properties") << QStringList{QStringLiteral("&Properties")} << QStringLiteral("nyd-props")
                                << QStringList{QStringLiteral("-s"), m_documentPath};
}

void ResultActionsTest::fileEntriesStartPrograms()
{
    QFETCH(QStringList, entry);
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);

    QVERIFY(useMenu(rowCenter(FileRow), entry).picked);
    QVERIFY(m_window->isVisible());
    QTRY_VERIFY(m_fakes->allEnded());
    QCOMPARE(m_fakes->started(), QStringList{program});
    QCOMPARE(m_fakes->calls(program).value(0), arguments);
}

void ResultActionsTest::copyEntriesFillTheClipboard_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArray>("content");

    QTest::newRow("copy") << QStringLiteral("&Copy") << QStringLiteral("text/uri-list")
                          << QByteArray("file://" + m_documentPath.toUtf8().replace(' ', "%20") + "\r\n");
    QTest::newRow("copy path") << QStringLiteral("Copy &path") << QStringLiteral("text/plain") << m_documentPath.toUtf8();
}

void ResultActionsTest::copyEntriesFillTheClipboard()
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
    QVERIFY(m_fakes->startedNothing());
}

void ResultActionsTest::shortcutAndPinCopyOnce_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("folder");

    QTest::newRow("desktop") << QStringLiteral("Add shortcut to &Desktop") << nydFolder(NydDesktopDir);
    QTest::newRow("taskbar") << QStringLiteral("Pin on &Taskbar") << nydFolder(NydTaskbarLaunchersDir);
}

void ResultActionsTest::shortcutAndPinCopyOnce()
{
    QFETCH(QString, entry);
    QFETCH(QString, folder);

    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir().mkpath(folder));
    const QString target = folder + QLatin1Char('/') + QFileInfo(m_desktopFile).fileName();
    QFile::remove(target);
    QVERIFY(writeFile(m_desktopFile, "first"));

    QVERIFY(useMenu(rowCenter(AppRow), {entry}).picked);
    QVERIFY(m_window->isVisible());
    QCOMPARE(readFile(target), QByteArray("first"));

    // A second time the copy already exists and stays as it is.
    QVERIFY(writeFile(m_desktopFile, "second"));
    QTemporaryDir captureDir;
    QVERIFY(captureDir.isValid());
    StderrCapture capture(captureDir.filePath(QStringLiteral("stderr")));
    const bool picked = useMenu(rowCenter(AppRow), {entry}).picked;
    const QByteArray written = capture.finish();
    QVERIFY(picked);
    QCOMPARE(QString::fromUtf8(written), QStringLiteral("Failed to copy %1 to %2\n").arg(m_desktopFile, target));
    QCOMPARE(readFile(target), QByteArray("first"));
    QVERIFY(m_window->isVisible());
    QVERIFY(m_fakes->startedNothing());
}

QTEST_MAIN(ResultActionsTest)
#include "resultactionstest.moc"
