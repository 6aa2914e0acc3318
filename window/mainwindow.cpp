// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "nydcore.h"
#include "placement.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include <xcb/xcb.h>

static void initIconResources()
{
    // The icons live in a static library, so nothing registers them by itself.
    Q_INIT_RESOURCE(icons);
}

MainWindow::MainWindow(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
    , ui(new Ui::MainWindow)
{
    initIconResources();
    ui->setupUi(this);

    ui->lineEditQuery->installEventFilter(this);
    ui->listViewSearchResults->installEventFilter(this);

    connect(ui->lineEditQuery, &QLineEdit::textEdited, this, &MainWindow::onQueryEdited);

    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::hide);

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [] {
        nydHelpShow(QStringLiteral("kcm_nydsearch"));
    });

    connect(ui->pushButtonAdvancedSearch, &QPushButton::clicked, this, &MainWindow::openAdvancedSearch);

    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        connect(primary, &QScreen::virtualGeometryChanged, this, &QWidget::hide);
    }
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QWidget::hide);
}

MainWindow::~MainWindow()
{
    delete ui;
}

void MainWindow::show()
{
    ui->lineEditQuery->setFocus(Qt::OtherFocusReason);
    QWidget::show();
}

void MainWindow::prependQuery(const QString &text)
{
    ui->lineEditQuery->setText(text + ui->lineEditQuery->text());
    onQueryEdited();
}

void MainWindow::clearQuery()
{
    ui->lineEditQuery->clear();
    onQueryEdited();
}

void MainWindow::onQueryEdited()
{
    const QString query = ui->lineEditQuery->text().trimmed();
    ui->stackedWidgetResults->setCurrentWidget(query.isEmpty() ? ui->pageEmptySearch : ui->pageSearchResults);
}

void MainWindow::onFocusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old)
    if (now || !windowHandle() || hasOpenTransientWindow()) {
        return;
    }
    clearQuery();
    hide();
}

bool MainWindow::hasOpenTransientWindow() const
{
    const QWindow *handle = windowHandle();
    const auto windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.cbegin(), windows.cend(), [handle](const QWindow *window) {
        return window->transientParent() == handle && window->isVisible();
    });
}

void MainWindow::openAdvancedSearch()
{
    QProcess::startDetached(QStringLiteral("nyd-find"), {QStringLiteral("-d")});
}

QScreen *MainWindow::screenByName(const QString &name)
{
    const auto screens = QGuiApplication::screens();
    for (QScreen *screen : screens) {
        if (screen->name() == name) {
            return screen;
        }
    }
    return QGuiApplication::primaryScreen();
}

void MainWindow::place(const QString &monitor, int position, int size, int width, int height)
{
    QScreen *screen = screenByName(monitor);
    if (!screen) {
        return;
    }
    const Placement placement = computePlacement(position,
                                                 size,
                                                 width,
                                                 height,
                                                 screen->devicePixelRatio(),
                                                 screen->geometry(),
                                                 screen->size(),
                                                 minimumSizeHint());
    resize(placement.geometry.size());
    move(placement.geometry.topLeft());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->lineEditQuery && watched != ui->listViewSearchResults) {
        return QMainWindow::eventFilter(watched, event);
    }
    return false;
}

bool MainWindow::nativeEvent(const QByteArray &eventType, void *message, long *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_FOCUS_OUT) {
        return false;
    }
    // Focus that a keyboard grab takes away comes back when the grab ends.
    const auto *focusOut = reinterpret_cast<const xcb_focus_out_event_t *>(event);
    switch (focusOut->mode) {
    case XCB_NOTIFY_MODE_GRAB:
    case XCB_NOTIFY_MODE_UNGRAB:
    case XCB_NOTIFY_MODE_WHILE_GRABBED:
        return true;
    default:
        return false;
    }
}
