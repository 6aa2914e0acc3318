// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "x11testhelpers.h"

#include <QAbstractItemView>
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// Gives the test the filter Qt calls for every native event.
class ProbedWindow : public MainWindow
{
public:
    ProbedWindow()
        : MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint)
    {
    }
    using MainWindow::nativeEvent;
};

// Programs the window starts, replaced by scripts that record their arguments.
void writeRecorder(const QString &binDir, const QString &name)
{
    QFile script(binDir + QLatin1Char('/') + name);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
    script.close();
    script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
}

QString recordedArguments(const QString &binDir, const QString &name)
{
    QFile file(binDir + QLatin1Char('/') + name + QStringLiteral(".args"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}
}

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void formHasTheNamedWidgets();
    void pagesFollowTheTrimmedQuery_data();
    void pagesFollowTheTrimmedQuery();
    void prependAndClearSwitchPages();
    void escapeHidesAndKeepsQuery();
    void focusLeavingApplicationHidesAndClears();
    void openMenuKeepsPanelUp();
    void keyboardGrabDoesNotHide();
    void nativeFilterConsumesGrabFocusOut_data();
    void nativeFilterConsumesGrabFocusOut();
    void screenChangeHides();
    void helpAndAdvancedSearchStartPrograms();

private:
    void showAndFocus();
    QLineEdit *query() const;
    QStackedWidget *pages() const;

    QTemporaryDir m_bin;
    ProbedWindow *m_window = nullptr;
};

void MainWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_bin.isValid());
    writeRecorder(m_bin.path(), QStringLiteral("khelpcenter"));
    writeRecorder(m_bin.path(), QStringLiteral("nyd-find"));
    qputenv("PATH", m_bin.path().toUtf8() + ':' + qgetenv("PATH"));
}

void MainWindowTest::init()
{
    m_window = new ProbedWindow;
}

void MainWindowTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

QLineEdit *MainWindowTest::query() const
{
    return m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"));
}

QStackedWidget *MainWindowTest::pages() const
{
    return m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults"));
}

void MainWindowTest::showAndFocus()
{
    m_window->place(QString(), 2, 0, 404, 532);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTRY_COMPARE(QApplication::focusWidget(), query());
}

void MainWindowTest::formHasTheNamedWidgets()
{
    // Style sheets and other parts of the panel address widgets by these names.
    QCOMPARE(m_window->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Nyd search panel"));
    QVERIFY(query());
    QCOMPARE(query()->placeholderText(), QStringLiteral("Enter text to search"));
    QVERIFY(!query()->hasFrame());

    QStackedWidget *stack = pages();
    QVERIFY(stack);
    QCOMPARE(stack->count(), 3);
    QCOMPARE(stack->widget(0)->objectName(), QStringLiteral("pageSearchResults"));
    QCOMPARE(stack->widget(1)->objectName(), QStringLiteral("pageEmptySearch"));
    QCOMPARE(stack->widget(2)->objectName(), QStringLiteral("pageNoResults"));
    QCOMPARE(stack->currentIndex(), 0);

    auto *list = m_window->findChild<QAbstractItemView *>(QStringLiteral("listViewSearchResults"));
    QVERIFY(list);
    QCOMPARE(list->parentWidget(), stack->widget(0));
    QCOMPARE(list->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(list->dragDropMode(), QAbstractItemView::DragOnly);
    QCOMPARE(list->textElideMode(), Qt::ElideMiddle);
    QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("labelEmptySearch"))->text(), QStringLiteral("Enter text to search for programs,\ndocuments, files"));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("labelIndexationInProgress"))->toolTip(),
             QStringLiteral("Please wait, indexation in progress, \nresults may be incomplete."));
    QVERIFY(!m_window->findChild<QLabel *>(QStringLiteral("labelIndexationInProgress"))->pixmap(Qt::ReturnByValue).isNull());

    for (const char *name : {"pushButtonSearch", "pushButtonSettings"}) {
        auto *button = m_window->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY2(button, name);
        QVERIFY(button->isFlat());
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY2(!button->icon().isNull(), name);
    }
    QCOMPARE(m_window->findChild<QPushButton *>(QStringLiteral("pushButtonAdvancedSearch"))->text(), QStringLiteral("Advanced search"));
    QCOMPARE(m_window->findChild<QWidget *>(QStringLiteral("widgetAdvancedSearch"))->maximumHeight(), 33);
}

void MainWindowTest::pagesFollowTheTrimmedQuery_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("page");
    QTest::newRow("word") << QStringLiteral("firefox") << QStringLiteral("pageSearchResults");
    QTest::newRow("spaces only") << QStringLiteral("   ") << QStringLiteral("pageEmptySearch");
    QTest::newRow("padded word") << QStringLiteral("  a ") << QStringLiteral("pageSearchResults");
}

void MainWindowTest::pagesFollowTheTrimmedQuery()
{
    QFETCH(QString, typed);
    QFETCH(QString, page);
    showAndFocus();
    pages()->setCurrentIndex(2);
    QTest::keyClicks(query(), typed);
    QCOMPARE(pages()->currentWidget()->objectName(), page);

    // Erasing everything again invites typing.
    query()->selectAll();
    QTest::keyClick(query(), Qt::Key_Backspace);
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageEmptySearch"));
}

void MainWindowTest::prependAndClearSwitchPages()
{
    query()->setText(QStringLiteral("world"));
    m_window->prependQuery(QStringLiteral("hello "));
    QCOMPARE(query()->text(), QStringLiteral("hello world"));
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageSearchResults"));

    m_window->clearQuery();
    QVERIFY(query()->text().isEmpty());
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageEmptySearch"));
}

void MainWindowTest::escapeHidesAndKeepsQuery()
{
    showAndFocus();
    QTest::keyClicks(query(), QStringLiteral("notes"));
    QTest::keyClick(query(), Qt::Key_Escape);
    QVERIFY(m_window->isHidden());
    QCOMPARE(query()->text(), QStringLiteral("notes"));
}

namespace
{
// Another client's window taking the keyboard focus, as when the user clicks elsewhere.
class ForeignWindow
{
public:
    ForeignWindow()
    {
        m_window = xcb_generate_id(m_x.connection);
        xcb_create_window(m_x.connection,
                          XCB_COPY_FROM_PARENT,
                          m_window,
                          m_x.screen->root,
                          1200,
                          100,
                          200,
                          200,
                          0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          m_x.screen->root_visual,
                          0,
                          nullptr);
        xcb_map_window(m_x.connection, m_window);
        xcb_flush(m_x.connection);
    }
    void takeFocus()
    {
        xcb_set_input_focus(m_x.connection, XCB_INPUT_FOCUS_POINTER_ROOT, m_window, XCB_CURRENT_TIME);
        xcb_flush(m_x.connection);
    }
    void grabKeyboard()
    {
        auto cookie = xcb_grab_keyboard(m_x.connection, 0, m_x.screen->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::free(xcb_grab_keyboard_reply(m_x.connection, cookie, nullptr));
    }
    void ungrabKeyboard()
    {
        xcb_ungrab_keyboard(m_x.connection, XCB_CURRENT_TIME);
        xcb_flush(m_x.connection);
    }
    ~ForeignWindow()
    {
        xcb_destroy_window(m_x.connection, m_window);
        xcb_flush(m_x.connection);
    }

private:
    X11TestHelpers::Connection m_x;
    xcb_window_t m_window;
};

// Proves that the grab really reached the panel as a focus-out.
class GrabFocusOutRecorder : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *) override
    {
        if (eventType == "xcb_generic_event_t") {
            const auto *event = static_cast<const xcb_focus_out_event_t *>(message);
            if ((event->response_type & 0x7f) == XCB_FOCUS_OUT && event->mode == XCB_NOTIFY_MODE_GRAB) {
                seen = true;
            }
        }
        return false;
    }
    bool seen = false;
};
}

void MainWindowTest::focusLeavingApplicationHidesAndClears()
{
    connect(qApp, &QApplication::focusChanged, m_window, &MainWindow::onFocusChanged);
    showAndFocus();
    QTest::keyClicks(query(), QStringLiteral("report"));

    ForeignWindow other;
    other.takeFocus();
    QTRY_VERIFY(m_window->isHidden());
    QVERIFY(query()->text().isEmpty());
    QCOMPARE(pages()->currentWidget()->objectName(), QStringLiteral("pageEmptySearch"));
}

void MainWindowTest::openMenuKeepsPanelUp()
{
    connect(qApp, &QApplication::focusChanged, m_window, &MainWindow::onFocusChanged);
    showAndFocus();
    QTest::keyClicks(query(), QStringLiteral("report"));

    QMenu menu(m_window);
    menu.addAction(QStringLiteral("Open"));
    menu.popup(m_window->geometry().center());
    QVERIFY(QTest::qWaitForWindowExposed(&menu));
    QCOMPARE(menu.windowHandle()->transientParent(), m_window->windowHandle());

    // Focus leaving the application would hide the panel, but not with its menu open.
    m_window->onFocusChanged(query(), nullptr);
    QVERIFY(m_window->isVisible());
    QCOMPARE(query()->text(), QStringLiteral("report"));

    menu.hide();
    m_window->onFocusChanged(query(), nullptr);
    QVERIFY(m_window->isHidden());
}

void MainWindowTest::keyboardGrabDoesNotHide()
{
    connect(qApp, &QApplication::focusChanged, m_window, &MainWindow::onFocusChanged);
    showAndFocus();
    QTest::keyClicks(query(), QStringLiteral("grab"));

    GrabFocusOutRecorder recorder;
    qApp->installNativeEventFilter(&recorder);
    QSignalSpy focusChanges(qApp, &QApplication::focusChanged);

    ForeignWindow grabber;
    grabber.grabKeyboard();
    QTRY_VERIFY(recorder.seen);
    // Qt would deactivate the panel a moment after an unfiltered focus-out.
    QVERIFY(!focusChanges.wait(1000));
    grabber.ungrabKeyboard();
    QVERIFY(!focusChanges.wait(500));
    qApp->removeNativeEventFilter(&recorder);

    QVERIFY(m_window->isVisible());
    QCOMPARE(query()->text(), QStringLiteral("grab"));
}

void MainWindowTest::nativeFilterConsumesGrabFocusOut_data()
{
    QTest::addColumn<int>("responseType");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("consumed");
    QTest::newRow("normal") << int(XCB_FOCUS_OUT) << 0 << false;
    QTest::newRow("grab") << int(XCB_FOCUS_OUT) << 1 << true;
    QTest::newRow("ungrab") << int(XCB_FOCUS_OUT) << 2 << true;
    QTest::newRow("while grabbed") << int(XCB_FOCUS_OUT) << 3 << true;
    QTest::newRow("sent event, grab") << int(XCB_FOCUS_OUT | 0x80) << 1 << true;
    QTest::newRow("focus in, grab") << int(XCB_FOCUS_IN) << 1 << false;
}

void MainWindowTest::nativeFilterConsumesGrabFocusOut()
{
    QFETCH(int, responseType);
    QFETCH(int, mode);
    QFETCH(bool, consumed);

    xcb_focus_out_event_t event{};
    event.response_type = uint8_t(responseType);
    event.mode = uint8_t(mode);
    long result = 0;
    QCOMPARE(m_window->nativeEvent(QByteArrayLiteral("xcb_generic_event_t"), &event, &result), consumed);
    QVERIFY(!m_window->nativeEvent(QByteArrayLiteral("windows_generic_MSG"), &event, &result));
}

void MainWindowTest::screenChangeHides()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    Q_EMIT screen->virtualGeometryChanged(screen->virtualGeometry());
    QVERIFY(m_window->isHidden());

    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    Q_EMIT qGuiApp->primaryScreenChanged(screen);
    QVERIFY(m_window->isHidden());
}

void MainWindowTest::helpAndAdvancedSearchStartPrograms()
{
    showAndFocus();
    QTest::keyClicks(query(), QStringLiteral("help me"));
    QTest::keyClick(query(), Qt::Key_F1);
    QTRY_COMPARE(recordedArguments(m_bin.path(), QStringLiteral("khelpcenter")), QStringLiteral("help:/kcm_nydsearch\n"));
    QVERIFY(m_window->isVisible());
    QCOMPARE(query()->text(), QStringLiteral("help me"));

    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("pushButtonAdvancedSearch")), Qt::LeftButton);
    QTRY_COMPARE(recordedArguments(m_bin.path(), QStringLiteral("nyd-find")), QStringLiteral("-d\n"));
}

QTEST_MAIN(MainWindowTest)
#include "mainwindowtest.moc"
