// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "baloocontroller.h"
#include "baloomonitor.h"
#include "baloosettings.h"
#include "helpsearchengine.h"
#include "nydcore.h"
#include "placement.h"
#include "searchresultdelegate.h"
#include "settingsdialog.h"
#include "themecolors.h"

#include <Baloo/IndexerConfig>
#include <KConfig>
#include <KRunner/RunnerManager>
#include <KShell>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdio>

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

// A palette's text is often black, which darker() cannot dim: the headers
// then take a colour between the text and its background.
QColor dimmedTowards(const QColor &text, const QColor &background)
{
    constexpr qreal share = 0.4;
    return QColor::fromRgbF(text.redF() + (background.redF() - text.redF()) * share,
                            text.greenF() + (background.greenF() - text.greenF()) * share,
                            text.blueF() + (background.blueF() - text.blueF()) * share);
}

const QString s_menuStyleSheet = QStringLiteral(
    "QMenu {\n    background-color: %1;\n    border: 1px solid %5;\n    color: %3;\n}\n"
    "QMenu::item {\n    background-color: %1;\n    color: %3;\n}\n"
    "QMenu::item:selected {\n    background-color: %2;\n    color: %4;\n}\n");

const QString s_desktopTerminal = QStringLiteral("/usr/bin/nyd-term");
const QStringList s_runnerIds = {QStringLiteral("nydservices"), QStringLiteral("nydbaloosearch"), QStringLiteral("nydhelp")};
// Long enough for the first window to be up, short enough to come before most first queries.
constexpr int s_prepareRunnersDelayMs = 1000;

// The desktop's own terminal program where it is installed, else ours.
QString terminalProgram()
{
    if (QFileInfo(s_desktopTerminal).isExecutable()) {
        return s_desktopTerminal;
    }
    const QString found = QStandardPaths::findExecutable(QStringLiteral("nyd-term"));
    return found.isEmpty() ? QStringLiteral("nyd-term") : found;
}

QString localPath(const QModelIndex &index)
{
    return index.data(ResultsModel::DataRole).toUrl().toLocalFile();
}

void reportFailedCopy(const QString &from, const QString &to)
{
    const QByteArray line = MainWindow::tr("Failed to copy %1 to %2").arg(from, to).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

QString nydFolder(int which)
{
    return QString::fromStdString(GetNydDir(NydDir(which))) + QLatin1Char('/');
}

bool isResult(const QModelIndex &index)
{
    return index.isValid() && !index.data(ResultsModel::IsCategoryRole).toBool();
}

QString colorName(const QString &value)
{
    QColor color;
    color.setNamedColor(value);
    return color.name();
}

// An indexer never configured indexes names only until the user asks for more;
// one not on the bus is started, as the desktop would at login.
void makeSureIndexerRuns()
{
    BalooSettings settings;
    // A file there that cannot be read is the user's to mend, not to overwrite.
    if (settings.isFileReadable() && !KConfig(QStringLiteral("baloofilerc"), KConfig::SimpleConfig).hasGroup("General")) {
        if (!settings.onlyBasicIndexing() && !settings.isOnlyBasicIndexingImmutable()) {
            settings.setOnlyBasicIndexing(true);
        }
        if (!settings.indexingEnabled() && !settings.isIndexingEnabledImmutable()) {
            settings.setIndexingEnabled(true);
        }
        settings.save();
        Baloo::IndexerConfig().refresh();
    }
    if (!QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.kde.baloo"))) {
        const QString indexer = QStandardPaths::findExecutable(QStringLiteral("baloo_file"));
        if (!indexer.isEmpty()) {
            QProcess::startDetached(indexer, {});
        }
    }
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
    connect(ui->pushButtonSettings, &QPushButton::clicked, this, &MainWindow::openSettings);
    setUpResults();

    if (QScreen *primary = QGuiApplication::primaryScreen()) {
        connect(primary, &QScreen::virtualGeometryChanged, this, &QWidget::hide);
    }
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &QWidget::hide);

    HelpSearchEngine::instance()->prepare();

    makeSureIndexerRuns();
    m_monitor = new BalooMonitor(this);
    m_controller = new BalooController(m_monitor, this);
    connect(m_monitor, &BalooMonitor::balooStateChanged, this, &MainWindow::updateIndexationLabel);
    connect(m_monitor, &BalooMonitor::newFileIndexed, this, &MainWindow::updateIndexationLabel);
    updateIndexationLabel();
}

MainWindow::~MainWindow()
{
    // Deleting the focused line edit moves the focus, which must not reach
    // a window whose form is already gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    delete ui;
}

void MainWindow::updateIndexationLabel()
{
    ui->labelIndexationInProgress->setVisible(m_monitor->isIndexing());
}

void MainWindow::openSettings()
{
    hide();
    if (m_settingsDialog) {
        m_settingsDialog->setWindowState((m_settingsDialog->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        m_settingsDialog->raise();
        m_settingsDialog->activateWindow();
    } else {
        m_settingsDialog = std::make_unique<SettingsDialog>(m_controller);
        m_settingsDialog->show();
        // The dialog is still in its own close code when it reports it is done.
        connect(m_settingsDialog.get(), &QDialog::finished, m_settingsDialog.get(), [this] {
            m_settingsDialog.release()->deleteLater();
        });
    }
    clearQuery();
}

void MainWindow::show()
{
    m_windowFocus = WindowFocus::NotGivenYet;
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
    m_model.runnerManager()->setAllowedRunners(s_runnerIds);
    QTimer::singleShot(s_prepareRunnersDelayMs, this, &MainWindow::prepareRunners);
    connect(&m_model, &ResultsModel::queryingChanged, this, &MainWindow::onQueryFinished);
    auto *delegate = new SearchResultDelegate(ui->listViewSearchResults, &m_model);
    ui->listViewSearchResults->setModel(&m_model);
    ui->listViewSearchResults->setItemDelegate(delegate);

    connect(ui->listViewSearchResults, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        // Where the style activates on a single click, activated() opens it already.
        if (!ui->listViewSearchResults->style()->styleHint(QStyle::SH_ItemView_ActivateItemOnSingleClick, nullptr, ui->listViewSearchResults)) {
            openResult(index);
        }
    });
    connect(ui->listViewSearchResults, &QAbstractItemView::activated, this, &MainWindow::openResult);
    connect(ui->listViewSearchResults, &QWidget::customContextMenuRequested, this, &MainWindow::showResultMenu);
    ui->listViewSearchResults->setContextMenuPolicy(Qt::CustomContextMenu);
}

// The first query would load the runners, and they would read their data,
// while the user waits for it; at a quiet moment nobody does.
void MainWindow::prepareRunners()
{
    Plasma::RunnerManager *manager = m_model.runnerManager();
    if (!manager->runners().isEmpty()) {
        return;
    }
    const QVector<KPluginMetaData> plugins = Plasma::RunnerManager::runnerMetaDataList();
    for (const KPluginMetaData &plugin : plugins) {
        if (s_runnerIds.contains(plugin.pluginId())) {
            manager->loadRunner(plugin);
        }
    }
    manager->setupMatchSession();
}

void MainWindow::openResult(const QModelIndex &index)
{
    if (!isResult(index)) {
        return;
    }
    const QString category = index.data(ResultsModel::CategoryRole).toString();
    const QString url = index.data(ResultsModel::DataRole).toUrl().toString();
    m_model.countLaunch(index.data(ResultsModel::IdRole).toString());
    hide();
    if (category == QLatin1String("Help")) {
        QProcess::startDetached(QStringLiteral("assistant"),
                                {QStringLiteral("-collectionFile"), HelpSearchEngine::instance()->collectionFile(), QStringLiteral("-showUrl"), url});
    } else {
        QProcess::startDetached(QStringLiteral("nyd-open"), {QStringLiteral("-e"), url});
    }
}

void MainWindow::openResultInTerminal(const QModelIndex &index)
{
    if (!isResult(index)) {
        return;
    }
    const QString entryCommand = index.data(ResultsModel::CommandRole).toString();
    m_model.countLaunch(index.data(ResultsModel::IdRole).toString());
    hide();
    // Quoted, the command reaches the terminal as one argument whatever it holds.
    const QString command = KShell::quoteArg(terminalProgram()) + QStringLiteral(" --noclose -e ") + KShell::quoteArg(entryCommand);
    QProcess::startDetached(QStringLiteral("bash"), {QStringLiteral("-c"), command});
}

void MainWindow::showResultMenu(const QPoint &pos)
{
    const QModelIndex index = ui->listViewSearchResults->indexAt(pos);
    if (!isResult(index)) {
        return;
    }
    auto *menu = new QMenu;
    addResultActions(menu, index);
    const ThemeColors *theme = ThemeColors::instance();
    menu->setStyleSheet(
        s_menuStyleSheet.arg(theme->backgroundColor(), theme->selectionColor(), theme->textColor(), theme->selectedTextColor(), theme->borderColor()));
    menu->exec(ui->listViewSearchResults->viewport()->mapToGlobal(pos));
    delete menu;
}

void MainWindow::showCurrentResultMenu()
{
    const QModelIndex current = ui->listViewSearchResults->currentIndex();
    if (isResult(current)) {
        ui->listViewSearchResults->scrollTo(current);
        showResultMenu(ui->listViewSearchResults->visualRect(current).center());
    }
}

void MainWindow::addResultActions(QMenu *menu, const QModelIndex &index)
{
    // New matches can replace every row while the menu runs its own event
    // loop, so an entry looks its match up again when chosen.
    const QString id = index.data(ResultsModel::IdRole).toString();
    const QVariant target = index.data(ResultsModel::DataRole);
    const auto add = [this, id, target](QMenu *menu, const char *icon, const QString &text, auto handler) {
        QAction *action = menu->addAction(QIcon::fromTheme(QLatin1String(icon)), text);
        connect(action, &QAction::triggered, this, [this, id, target, handler] {
            const QModelIndex match = findResult(id, target);
            if (match.isValid()) {
                handler(match);
            }
        });
    };
    add(menu, "document-open", tr("&Open"), [this](const QModelIndex &match) {
        openResult(match);
    });

    const QString category = index.data(ResultsModel::CategoryRole).toString();
    if (category == QLatin1String("Help")) {
        return;
    }
    if (category == QLatin1String("Applications")) {
        add(menu, "document-open", tr("Open in &terminal"), [this](const QModelIndex &match) {
            openResultInTerminal(match);
        });
        add(menu, "user-desktop", tr("Add shortcut to &Desktop"), [this](const QModelIndex &match) {
            copyToFolder(match, NydDesktopDir);
        });
        add(menu, "preferences-system-windows", tr("Pin on &Taskbar"), [this](const QModelIndex &match) {
            copyToFolder(match, NydTaskbarLaunchersDir);
        });
        return;
    }
    add(menu, "folder-documents", tr("&Show in file manager"), [this](const QModelIndex &match) {
        showInFileManager(match);
    });
    add(menu, "edit-copy", tr("&Copy"), [this](const QModelIndex &match) {
        copyResult(match);
    });
    add(menu, "edit-rename", tr("Copy &path"), [this](const QModelIndex &match) {
        copyResultPath(match);
    });
    QMenu *sendTo = menu->addMenu(QIcon::fromTheme(QStringLiteral("document-export")), tr("&Send to"));
    add(sendTo, "user-desktop", tr("&Desktop"), [this](const QModelIndex &match) {
        sendToFolder(match, NydDesktopDir);
    });
    add(sendTo, "user-home", tr("&Home"), [this](const QModelIndex &match) {
        sendToFolder(match, NydHomeDir);
    });
    add(sendTo, "folder-documents", tr("&Documents"), [this](const QModelIndex &match) {
        sendToFolder(match, NydDocumentsDir);
    });
    add(menu, "document-properties", tr("&Properties"), [this](const QModelIndex &match) {
        showProperties(match);
    });
}

QModelIndex MainWindow::findResult(const QString &id, const QVariant &target) const
{
    // One id may stand for several entries; the target tells them apart.
    const QAbstractItemModel *model = ui->listViewSearchResults->model();
    const QModelIndexList found = model->match(model->index(0, 0), ResultsModel::IdRole, id, -1, Qt::MatchExactly);
    for (const QModelIndex &index : found) {
        if (isResult(index) && index.data(ResultsModel::DataRole) == target) {
            return index;
        }
    }
    return {};
}

void MainWindow::copyToFolder(const QModelIndex &index, int folder)
{
    const QString path = localPath(index);
    if (path.isEmpty()) {
        return;
    }
    const QString destination = nydFolder(folder);
    const QString target = destination + QFileInfo(path).fileName();
    // A fresh home has no taskbar folder yet, and need not have a desktop one.
    if (!QDir().mkpath(destination) || !QFile::copy(path, target)) {
        reportFailedCopy(path, target);
    }
}

void MainWindow::sendToFolder(const QModelIndex &index, int folder)
{
    const QString path = localPath(index);
    if (path.isEmpty()) {
        return;
    }
    const QString destination = nydFolder(folder);
    if (!QProcess::startDetached(QStringLiteral("nyd-fops"), {QStringLiteral("--copy"), path, destination})) {
        reportFailedCopy(path, destination);
    }
}

void MainWindow::showInFileManager(const QModelIndex &index)
{
    QProcess::startDetached(QStringLiteral("nyd-open"), {QStringLiteral("-e"), QFileInfo(localPath(index)).dir().path()});
}

void MainWindow::copyResult(const QModelIndex &index)
{
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(localPath(index))});
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void MainWindow::copyResultPath(const QModelIndex &index)
{
    QGuiApplication::clipboard()->setText(localPath(index), QClipboard::Clipboard);
}

void MainWindow::showProperties(const QModelIndex &index)
{
    QProcess::startDetached(QStringLiteral("nyd-props"), {QStringLiteral("-s"), localPath(index)});
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
    // The runners are off by default, outside the panel too: a query before
    // they are prepared would load none.
    if (!query.isEmpty()) {
        prepareRunners();
    }
    m_model.setQueryString(query);
    ui->stackedWidgetResults->setCurrentWidget(query.isEmpty() ? ui->pageEmptySearch : ui->pageSearchResults);
}

void MainWindow::onFocusChanged(QWidget *old, QWidget *now)
{
    Q_UNUSED(old)
    // Hiding the panel takes the focus from it too; that loss keeps the query.
    // A loss that reaches Qt after the panel was hidden and shown again, before
    // or after the window system gave it the focus anew, belongs to the earlier showing.
    if (now || isHidden() || !windowHandle() || hasOpenTransientWindow() || m_windowFocus != WindowFocus::Taken) {
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
    theme->setDimTextColor(QColor::isValidColor(themeColors.value(QStringLiteral("MenuStringColor"))) ? text.darker(120).name()
                                                                                                      : dimmedTowards(text, QColor(menuColor)).name());
    theme->setQueryTextColor(menuStringColor);
    theme->setQueryBackgroundColor(defaultTheme ? QStringLiteral("#547fa2") : selection);
    theme->setAdvancedSearchBackgroundColor(defaultTheme ? QColor(QStringLiteral("#44AEE4")).name() : selection);

    const QString iconFolder = QStringLiteral(":/resources/icons/");
    ui->pushButtonSearch->setIcon(
        QIcon(iconFolder + (darkIcons ? QStringLiteral("icon-search-dark") : QStringLiteral("icon-search")) + QStringLiteral(".svg")));
    ui->pushButtonSettings->setIcon(QIcon(iconFolder + (darkIcons ? QStringLiteral("settings-dark") : QStringLiteral("settings")) + QStringLiteral(".svg")));

    applyStyleSheet(true, true, true, true);
}

void MainWindow::applyStyleSheet(bool top, bool left, bool bottom, bool right)
{
    const ThemeColors *theme = ThemeColors::instance();
    const QString styleSheet =
        s_windowStyleSheet.arg(theme->backgroundColor(), theme->selectionColor(), theme->borderColor(), theme->textColor(), theme->selectedTextColor())
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
    const Placement placement =
        computePlacement(position, size, width, height, screen->devicePixelRatio(), screen->geometry(), screen->size(), minimumSizeHint());
    applyStyleSheet(placement.borderTop, placement.borderLeft, placement.borderBottom, placement.borderRight);
    resize(placement.geometry.size());
    move(placement.geometry.topLeft());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->lineEditQuery && watched != ui->listViewSearchResults) {
        return QMainWindow::eventFilter(watched, event);
    }
    // The Menu key arrives as a context menu request, Shift+F10 as itself: both
    // mean the selected result's menu, never the query line's own.
    if (event->type() == QEvent::ContextMenu && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard) {
        showCurrentResultMenu();
        return true;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const auto *keyEvent = static_cast<QKeyEvent *>(event);
    if (keyEvent->key() == Qt::Key_F10 && keyEvent->modifiers() == Qt::ShiftModifier) {
        showCurrentResultMenu();
        return true;
    }
    switch (keyEvent->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        openResult(ui->listViewSearchResults->currentIndex());
        return true;
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
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_FOCUS_IN && type != XCB_FOCUS_OUT) {
        return false;
    }
    // Focus that a keyboard grab takes away comes back when the grab ends.
    const auto *focus = reinterpret_cast<const xcb_focus_in_event_t *>(event);
    switch (focus->mode) {
    case XCB_NOTIFY_MODE_GRAB:
    case XCB_NOTIFY_MODE_UNGRAB:
    case XCB_NOTIFY_MODE_WHILE_GRABBED:
        return type == XCB_FOCUS_OUT;
    default:
        break;
    }
    if (type == XCB_FOCUS_IN && focus->detail != XCB_NOTIFY_DETAIL_POINTER) {
        m_windowFocus = WindowFocus::Given;
    } else if (type == XCB_FOCUS_OUT && focus->detail != XCB_NOTIFY_DETAIL_INFERIOR && m_windowFocus == WindowFocus::Given) {
        m_windowFocus = WindowFocus::Taken;
    }
    return false;
}
