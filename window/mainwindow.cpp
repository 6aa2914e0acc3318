// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "nydcore.h"
#include "placement.h"
#include "searchresultdelegate.h"
#include "themecolors.h"

#include <KRunner/RunnerManager>

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include <xcb/xcb.h>

namespace
{
const QString s_defaultThemeBackground = QStringLiteral("#4d7593");

// The rules address the widgets by their object names.
const QString s_windowStyleSheet = QStringLiteral(
    "#centralWidget { background-color: %1; color: %4; border-top: %6px solid %3; border-left: %7px solid %3;"
    " border-bottom: %8px solid %3; border-right: %9px solid %3; }\n"
    "#listViewSearchResults { background-color: %1; selection-color: %5; color: %4; }\n"
    "#listViewSearchResults::item { border: 0px hidden; border-radius: 2px; padding: 6px 0px 6px 4px; font-weight: 400;"
    " font-size: 16px; line-height: 17px; }\n"
    "#listViewSearchResults::item:selected { border: 0px hidden; border-radius: 2px; padding: 6px 0px 6px 4px;"
    " font-weight: 400; font-size: 16px; line-height: 17px; }\n"
    "#listViewSearchResults::item:selected:active { background-color: %2; }\n"
    "#listViewSearchResults::item:selected:!active { background-color: %2; }\n"
    "#listViewSearchResults::item:hover { background-color: %3; color: %5; }\n"
    "#widgetQuery { background-color: %10; color: %4; border: 1px solid %3; border-radius: 2px; }\n"
    "#pushButtonSearch { background-color: %10; border: 0px hidden; margin: 0px 0px 0px 0px; padding: 0px; }\n"
    "#lineEditQuery { background-color: %10; font-weight: 400; font-size: 14px; line-height: 17px; color: %12;"
    " border: 0px; margin: 0px 0px 0px 9px; }\n"
    "#lineEditQuery:read-only { color: %12; }\n"
    "#labelIndexationInProgress { margin: 9px 9px 9px 9px; }\n"
    "#pushButtonSettings { background-color: %10; border: 0px hidden; margin: 0px 0px 0px 0px; padding: 0px; }\n"
    "#pushButtonSettings:pressed { background-color: %10; }\n"
    "#widgetAdvancedSearch { background-color: %11; color: %12; border: 0px hidden; border-radius: 2px; }\n"
    "#pushButtonAdvancedSearch { background-color: %11; font-weight: 400; font-size: 14px; line-height: 17px;"
    " color: %12; border: 0px hidden; }\n"
    "#pushButtonAdvancedSearch:pressed { background-color: %11; }\n"
    "#labelEmptySearch { color: %4; }\n"
    "#labelNoResults { color: %4; }\n");

// A desktop without theme files, or with a key missing, gives no colour: the
// panel then follows the application's palette, which stays readable.
QMap<QString, QString> withPaletteFallbacks(QMap<QString, QString> colors)
{
    const QPalette palette = QGuiApplication::palette();
    const std::pair<QString, QPalette::ColorRole> roles[] = {
        {QStringLiteral("MenuColor"), QPalette::Window},
        {QStringLiteral("MenuStringColor"), QPalette::WindowText},
        {QStringLiteral("MenuActiveColor"), QPalette::Highlight},
        {QStringLiteral("MenuStringActiveColor"), QPalette::HighlightedText},
    };
    for (const auto &[key, role] : roles) {
        if (!QColor::isValidColor(colors.value(key))) {
            colors.insert(key, palette.color(QPalette::Active, role).name());
        }
    }
    return colors;
}

QString colorName(const QString &value)
{
    QColor color;
    color.setNamedColor(value);
    return color.name();
}
}

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
    setUpResults();

    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        connect(primary, &QScreen::virtualGeometryChanged, this, &QWidget::hide);
    }
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QWidget::hide);
}

MainWindow::~MainWindow()
{
    // Deleting the focused line edit moves the focus, which must not reach
    // a window whose form is already gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
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

void MainWindow::setUpResults()
{
    m_model.setLimit(60);
    m_model.runnerManager()->setAllowedRunners({QStringLiteral("nydservices"), QStringLiteral("nydbaloosearch"), QStringLiteral("nydhelp")});
    connect(&m_model, &ResultsModel::queryingChanged, this, &MainWindow::onQueryFinished);
    auto *delegate = new SearchResultDelegate(ui->listViewSearchResults, &m_model);
    ui->listViewSearchResults->setModel(&m_model);
    ui->listViewSearchResults->setItemDelegate(delegate);
}

void MainWindow::onQueryFinished()
{
    if (m_model.querying()) {
        return;
    }
    if (m_model.rowCount() < 1) {
        ui->stackedWidgetResults->setCurrentWidget(ui->pageNoResults);
        return;
    }
    ui->stackedWidgetResults->setCurrentWidget(ui->pageSearchResults);
    ui->listViewSearchResults->setCurrentIndex(m_model.index(1, 0));

    QMargins margins = ui->verticalLayoutResults->contentsMargins();
    margins.setRight(ui->listViewSearchResults->verticalScrollBar()->isVisible() ? 1 : 8);
    ui->verticalLayoutResults->setContentsMargins(margins);
}

bool MainWindow::isCategory(int row) const
{
    return m_model.index(row, 0).data(ResultsModel::IsCategoryRole).toBool();
}

void MainWindow::selectNextResult()
{
    const QModelIndex current = ui->listViewSearchResults->currentIndex();
    if (!current.isValid()) {
        return;
    }
    for (int row = current.row() + 1, rows = m_model.rowCount(); row < rows; ++row) {
        const QModelIndex next = m_model.index(row, current.column());
        if (next.isValid() && !isCategory(row)) {
            ui->listViewSearchResults->setCurrentIndex(next);
            return;
        }
    }
}

void MainWindow::selectPreviousResult()
{
    const QModelIndex current = ui->listViewSearchResults->currentIndex();
    if (!current.isValid()) {
        return;
    }
    if (current.row() == 1) {
        // Bring the first category's header back into view.
        ui->listViewSearchResults->scrollToTop();
        return;
    }
    for (int row = current.row() - 1; row >= 1; --row) {
        const QModelIndex previous = m_model.index(row, current.column());
        if (previous.isValid() && !isCategory(row)) {
            ui->listViewSearchResults->setCurrentIndex(previous);
            return;
        }
    }
}

void MainWindow::onQueryEdited()
{
    const QString query = ui->lineEditQuery->text().trimmed();
    m_model.setQueryString(query);
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

void MainWindow::applyTheme(const QMap<QString, QString> &themeColors)
{
    const QMap<QString, QString> colors = withPaletteFallbacks(themeColors);
    const QString menuColor = colors.value(QStringLiteral("MenuColor"));
    const QString menuStringColor = colors.value(QStringLiteral("MenuStringColor"));
    const QString selection = colorName(colors.value(QStringLiteral("MenuActiveColor")));
    const bool defaultTheme = menuColor == s_defaultThemeBackground;
    QColor text;
    text.setNamedColor(menuStringColor);
    const bool darkIcons = text == QColor(Qt::black);

    ThemeColors *theme = ThemeColors::instance();
    theme->setBackgroundColor(menuColor);
    theme->setSelectionColor(selection);
    theme->setBorderColor(selection);
    theme->setTextColor(menuStringColor);
    theme->setSelectedTextColor(colorName(colors.value(QStringLiteral("MenuStringActiveColor"))));
    theme->setDimTextColor(text.darker(120).name());
    theme->setQueryTextColor(menuStringColor);
    theme->setQueryBackgroundColor(defaultTheme ? QStringLiteral("#547fa2") : selection);
    theme->setAdvancedSearchBackgroundColor(defaultTheme ? QColor(QStringLiteral("#44AEE4")).name() : selection);

    const QString iconFolder = QStringLiteral(":/resources/icons/");
    ui->pushButtonSearch->setIcon(QIcon(iconFolder + (darkIcons ? QStringLiteral("icon-search-dark") : QStringLiteral("icon-search")) + QStringLiteral(".svg")));
    ui->pushButtonSettings->setIcon(QIcon(iconFolder + (darkIcons ? QStringLiteral("settings-dark") : QStringLiteral("settings")) + QStringLiteral(".svg")));

    applyStyleSheet(true, true, true, true);
}

void MainWindow::applyStyleSheet(bool top, bool left, bool bottom, bool right)
{
    const ThemeColors *theme = ThemeColors::instance();
    const QString styleSheet = s_windowStyleSheet
                                   .arg(theme->backgroundColor(), theme->selectionColor(), theme->borderColor(), theme->textColor(), theme->selectedTextColor())
                                   .arg(int(top))
                                   .arg(int(left))
                                   .arg(int(bottom))
                                   .arg(int(right))
                                   .arg(theme->queryBackgroundColor())
                                   .arg(theme->advancedSearchBackgroundColor())
                                   .arg(theme->queryTextColor());
    setStyleSheet(styleSheet);
    updatePlaceholderColor();
}

void MainWindow::updatePlaceholderColor()
{
    QPalette palette = ui->lineEditQuery->palette();
    palette.setBrush(QPalette::All, QPalette::PlaceholderText, QBrush(QColor(ThemeColors::instance()->queryTextColor())));
    ui->lineEditQuery->setPalette(palette);
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
    applyStyleSheet(placement.borderTop, placement.borderLeft, placement.borderBottom, placement.borderRight);
    resize(placement.geometry.size());
    move(placement.geometry.topLeft());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->lineEditQuery && watched != ui->listViewSearchResults) {
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Up:
        selectPreviousResult();
        return true;
    case Qt::Key_Down:
        selectNextResult();
        return true;
    default:
        return false;
    }
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
