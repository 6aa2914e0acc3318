// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsdialog.h"
#include "ui_settingsdialog.h"

#include "baloocontroller.h"
#include "balooctl.h"
#include "baloomonitor.h"
#include "nydcore.h"

#include <KFormat>

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QStyle>
#include <QTimer>

namespace
{
// Rows given their widgets whether in view or not, as a dialog not yet shown has no view to speak of.
constexpr int s_rowsMadeAtOnce = 50;
constexpr int s_suspendedState = 1;
constexpr int s_statusIntervalMs = 500;

void copyPreferences(const SearchSettings &from, SearchSettings &to)
{
    to.setIndexApplications(from.indexApplications());
    to.setIndexDocuments(from.indexDocuments());
    to.setIndexMedia(from.indexMedia());
    to.setLimitIndexSize(from.limitIndexSize());
    to.setIndexSizeLimit(from.indexSizeLimit());
    to.setIdleModeIndexing(from.idleModeIndexing());
}
}

SettingsDialog::SettingsDialog(BalooController *controller, QWidget *parent)
    : QDialog(parent)
    , m_controller(controller)
    , ui(new Ui::SettingsDialog)
{
    ui->setupUi(this);

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this, nullptr, nullptr, Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, &SettingsDialog::showHelp);

    ui->tableViewFolders->setModel(&m_folderModel);
    ui->tableViewFolders->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // Rows that come into view get their widgets; queued, as making them may move the view.
    QScrollBar *rows = ui->tableViewFolders->verticalScrollBar();
    connect(rows, &QScrollBar::valueChanged, this, &SettingsDialog::refreshFolderWidgets, Qt::QueuedConnection);
    connect(rows, &QScrollBar::rangeChanged, this, &SettingsDialog::refreshFolderWidgets, Qt::QueuedConnection);

    connect(ui->buttonBox->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, &SettingsDialog::applyAndClose);
    connect(ui->buttonBox->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, &SettingsDialog::apply);
    connect(ui->buttonBox->button(QDialogButtonBox::Cancel), &QPushButton::clicked, this, &SettingsDialog::cancel);
    connect(ui->buttonBox->button(QDialogButtonBox::Reset), &QPushButton::clicked, this, &SettingsDialog::load);
    connect(ui->buttonBox->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, &SettingsDialog::restoreDefaults);
    connect(ui->buttonBox->button(QDialogButtonBox::Help), &QPushButton::clicked, this, &SettingsDialog::showHelp);

    for (QCheckBox *box : {ui->checkBoxIndexEnabled,
                           ui->checkBoxIndexFileContents,
                           ui->checkBoxIndexHidden,
                           ui->checkBoxIndexApplications,
                           ui->checkBoxIndexDocuments,
                           ui->checkBoxIndexMedia,
                           ui->checkBoxLimitIndexSize,
                           ui->checkBoxIdleModeIndexing}) {
        connect(box, &QCheckBox::stateChanged, this, &SettingsDialog::updateState);
    }
    connect(ui->spinBoxIndexSizeLimit, qOverload<int>(&QSpinBox::valueChanged), this, &SettingsDialog::updateState);

    connect(ui->pushButtonPauseResumeIndexer, &QPushButton::clicked, this, &SettingsDialog::togglePause);
    connect(ui->pushButtonAddFolder, &QPushButton::clicked, this, &SettingsDialog::addIncludedFolder);
    connect(ui->pushButtonRemoveFolder, &QPushButton::clicked, this, &SettingsDialog::addExcludedFolder);
    connect(ui->pushButtonResetDB, &QPushButton::clicked, this, &SettingsDialog::resetDatabase);

    initStatusRefresh();
    connect(m_controller, &BalooController::limitRemoved, this, &SettingsDialog::onLimitRemoved);

    m_balooSettings.load();
    m_searchSettings.load();
    load();
    refreshStatus();
    if (!m_balooSettings.isFileReadable()) {
        QTimer::singleShot(0, this, &SettingsDialog::warnUnreadable);
    }
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

void SettingsDialog::setControls(bool enabled, bool content, bool hidden, const SearchSettings &settings)
{
    ui->checkBoxIndexEnabled->setChecked(enabled);
    ui->checkBoxIndexFileContents->setChecked(content);
    ui->checkBoxIndexHidden->setChecked(hidden);
    ui->checkBoxIndexApplications->setChecked(settings.indexApplications());
    ui->checkBoxIndexDocuments->setChecked(settings.indexDocuments());
    ui->checkBoxIndexMedia->setChecked(settings.indexMedia());
    ui->checkBoxLimitIndexSize->setChecked(settings.limitIndexSize());
    ui->spinBoxIndexSizeLimit->setValue(
        int(qBound<qint64>(ui->spinBoxIndexSizeLimit->minimum(), settings.indexSizeLimit(), ui->spinBoxIndexSizeLimit->maximum())));
    ui->checkBoxIdleModeIndexing->setChecked(settings.idleModeIndexing());
}

void SettingsDialog::load()
{
    setControls(m_balooSettings.indexingEnabled(), !m_balooSettings.onlyBasicIndexing(), m_balooSettings.indexHiddenFolders(), m_searchSettings);
    m_folderModel.setFolderLists(m_balooSettings.folders(), m_balooSettings.excludedFolders());
    refreshFolderWidgets();
    updateState();
}

void SettingsDialog::restoreDefaults()
{
    // What is locked keeps its value.
    const auto unlessLocked = [this](const char *item, bool held, bool fallback) {
        return isLocked(QLatin1String(item)) ? held : fallback;
    };
    setControls(unlessLocked("indexingEnabled", m_balooSettings.indexingEnabled(), true),
                unlessLocked("onlyBasicIndexing", !m_balooSettings.onlyBasicIndexing(), false),
                unlessLocked("indexHiddenFolders", m_balooSettings.indexHiddenFolders(), BalooSettings::defaultIndexHiddenFoldersValue_helper()),
                SearchSettings());
    if (!isLocked(QStringLiteral("folders")) && !isLocked(QStringLiteral("excludedFolders"))) {
        m_folderModel.setFolderLists(BalooSettings::defaultFoldersValue_helper(), BalooSettings::defaultExcludedFoldersValue_helper(), false);
    }
    refreshFolderWidgets();
    updateState();
}

SearchSettings SettingsDialog::preferencesFromControls() const
{
    SearchSettings wanted;
    wanted.setIndexApplications(ui->checkBoxIndexApplications->isChecked());
    wanted.setIndexDocuments(ui->checkBoxIndexDocuments->isChecked());
    wanted.setIndexMedia(ui->checkBoxIndexMedia->isChecked());
    wanted.setLimitIndexSize(ui->checkBoxLimitIndexSize->isChecked());
    wanted.setIndexSizeLimit(ui->spinBoxIndexSizeLimit->value());
    wanted.setIdleModeIndexing(ui->checkBoxIdleModeIndexing->isChecked());
    return wanted;
}

bool SettingsDialog::isChanged() const
{
    return ui->checkBoxIndexEnabled->isChecked() != m_balooSettings.indexingEnabled()
        || !ui->checkBoxIndexFileContents->isChecked() != m_balooSettings.onlyBasicIndexing()
        || ui->checkBoxIndexHidden->isChecked() != m_balooSettings.indexHiddenFolders() || preferencesFromControls() != m_searchSettings
        || m_folderModel.isChanged();
}

// A key an administrator locked, or a file that cannot be read, is not the user's to change.
bool SettingsDialog::isLocked(const QString &item) const
{
    return !m_balooSettings.isFileReadable() || m_balooSettings.isImmutable(item);
}

void SettingsDialog::updateState()
{
    const bool changed = isChanged();
    ui->buttonBox->button(QDialogButtonBox::Apply)->setEnabled(changed);
    ui->buttonBox->button(QDialogButtonBox::Reset)->setEnabled(changed);
    if (m_monitor->state() == s_suspendedState) {
        ui->pushButtonPauseResumeIndexer->setEnabled(!m_searchSettings.idleModeIndexing());
    }
    const bool enabled = ui->checkBoxIndexEnabled->isChecked();
    ui->checkBoxIndexEnabled->setEnabled(!isLocked(QStringLiteral("indexingEnabled")));
    ui->checkBoxIndexFileContents->setEnabled(enabled && !isLocked(QStringLiteral("onlyBasicIndexing")));
    ui->checkBoxIndexHidden->setEnabled(enabled && !isLocked(QStringLiteral("indexHiddenFolders")));
    const bool foldersOpen = !isLocked(QStringLiteral("folders")) && !isLocked(QStringLiteral("excludedFolders"));
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->tableViewFolders, ui->pushButtonAddFolder, ui->pushButtonRemoveFolder}) {
        widget->setEnabled(foldersOpen);
    }
    const bool contentOn = enabled && ui->checkBoxIndexFileContents->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->labelLimitIndexSize,
                                                            ui->labelIndexSizeLimit,
                                                            ui->checkBoxLimitIndexSize,
                                                            ui->spinBoxIndexSizeLimit,
                                                            ui->checkBoxIdleModeIndexing}) {
        widget->setEnabled(contentOn);
    }
}

QStringList SettingsDialog::excludedMimetypes(bool documents, bool media) const
{
    static const QSet<QString> neverExcluded{QStringLiteral("inode/directory")};
    QSet<QString> mediaTypes;
    QSet<QString> documentTypes;
    const QList<QMimeType> all = QMimeDatabase().allMimeTypes();
    for (const QMimeType &type : all) {
        const QString name = type.name();
        const bool isMedia = name.startsWith(QLatin1String("audio/")) || name.startsWith(QLatin1String("video/")) || name.startsWith(QLatin1String("image/"));
        (isMedia ? mediaTypes : documentTypes).insert(name);
    }
    const QStringList held = m_balooSettings.excludedMimetypes();
    const QStringList defaults = BalooSettings::defaultExcludedMimetypesValue_helper();
    QSet<QString> excluded(held.cbegin(), held.cend());
    excluded = media ? excluded - mediaTypes : excluded + mediaTypes;
    excluded = documents ? excluded - documentTypes : excluded + documentTypes;
    excluded += QSet<QString>(defaults.cbegin(), defaults.cend());
    excluded -= neverExcluded;
    // The held names keep their order, the new ones follow sorted.
    QStringList kept;
    for (const QString &name : held) {
        if (excluded.remove(name)) {
            kept << name;
        }
    }
    QStringList added = excluded.values();
    added.sort();
    return kept + added;
}

bool SettingsDialog::apply()
{
    const bool wasEnabled = m_balooSettings.indexingEnabled();
    const bool contentEdited = ui->checkBoxIndexFileContents->isChecked() == m_balooSettings.onlyBasicIndexing();
    SearchSettings wanted = preferencesFromControls();
    const bool typesEdited = wanted.indexDocuments() != m_searchSettings.indexDocuments() || wanted.indexMedia() != m_searchSettings.indexMedia();
    const bool configChanged = ui->checkBoxIndexHidden->isChecked() != m_balooSettings.indexHiddenFolders() || typesEdited || m_folderModel.isChanged();

    QStringList failed;
    const bool indexerSaved = saveIndexerSettings(typesEdited);
    if (!indexerSaved) {
        failed << BalooSettings::filePath();
    }
    if (wanted != m_searchSettings) {
        if (wanted.save()) {
            copyPreferences(wanted, m_searchSettings);
        } else {
            failed << QSettings().fileName();
        }
    }

    if (m_searchSettings.idleModeIndexing()) {
        m_controller->setPausedByUser(false);
    }
    m_controller->reevaluate();
    if (indexerSaved) {
        driveIndexer(wasEnabled, contentEdited, configChanged);
    }
    if (!failed.isEmpty()) {
        // The edits stay in the controls, so the user can try again.
        QMessageBox::critical(this, tr("Settings not saved"), tr("The settings could not be saved to %1.").arg(failed.join(QStringLiteral(", "))));
        updateState();
        return false;
    }
    // As the files hold them now, with what others wrote meanwhile.
    load();
    return true;
}

bool SettingsDialog::saveIndexerSettings(bool typesEdited)
{
    const bool enabled = ui->checkBoxIndexEnabled->isChecked();
    const bool basic = !ui->checkBoxIndexFileContents->isChecked();
    const bool hidden = ui->checkBoxIndexHidden->isChecked();
    const bool enabledEdited = enabled != m_balooSettings.indexingEnabled();
    const bool basicEdited = basic != m_balooSettings.onlyBasicIndexing();
    const bool hiddenEdited = hidden != m_balooSettings.indexHiddenFolders();
    const bool foldersEdited = m_folderModel.isChanged();

    // Only what was edited here, over the file as it is now: the indexer's
    // own tool may have written to it while the dialog was open.
    m_balooSettings.load();
    if (enabledEdited) {
        m_balooSettings.setIndexingEnabled(enabled);
    }
    if (basicEdited) {
        m_balooSettings.setOnlyBasicIndexing(basic);
    }
    if (hiddenEdited) {
        m_balooSettings.setIndexHiddenFolders(hidden);
    }
    if (foldersEdited) {
        m_folderModel.save(&m_balooSettings);
    }
    if (typesEdited && m_balooSettings.isFileReadable()) {
        m_balooSettings.setExcludedMimetypes(excludedMimetypes(ui->checkBoxIndexDocuments->isChecked(), ui->checkBoxIndexMedia->isChecked()));
    }
    return m_balooSettings.save();
}

// Commands only for what was saved and may change; a file that cannot be read tells nothing.
void SettingsDialog::driveIndexer(bool wasEnabled, bool contentEdited, bool configChanged)
{
    if (!m_balooSettings.isFileReadable()) {
        return;
    }
    const bool enabledLocked = m_balooSettings.isIndexingEnabledImmutable();
    if (m_balooSettings.indexingEnabled()) {
        if (contentEdited) {
            BalooCtl::purge();
            return;
        }
        if (configChanged) {
            BalooCtl::updateConfig();
        }
        if (!enabledLocked) {
            BalooCtl::enable();
        }
    } else if (!enabledLocked) {
        BalooCtl::disable();
        if (wasEnabled) {
            askPurgeAfterDisable();
        }
    }
}

void SettingsDialog::warnUnreadable()
{
    auto *box = new QMessageBox(QMessageBox::Warning,
                                tr("Settings cannot be read"),
                                tr("The file search settings in %1 cannot be read, so they are left as they are.").arg(BalooSettings::filePath()),
                                QMessageBox::Ok,
                                this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void SettingsDialog::applyAndClose()
{
    if (apply()) {
        accept();
    }
}

void SettingsDialog::cancel()
{
    m_controller->reevaluate();
    reject();
}

void SettingsDialog::closeEvent(QCloseEvent *event)
{
    cancel();
    event->accept();
}

void SettingsDialog::showHelp()
{
    nydHelpShow(QStringLiteral("nyd-search-panel"));
}

// Only the first rows and those in view have widgets, made once: building thousands
// took seconds before the dialog showed, and rebuilding them at every edit froze the panel.
void SettingsDialog::refreshFolderWidgets()
{
    const QTableView *table = ui->tableViewFolders;
    const int rows = m_folderModel.rowCount();
    const int firstShown = qMax(table->rowAt(0), s_rowsMadeAtOnce);
    const int lastShown = table->rowAt(table->viewport()->height());
    for (int row = 0; row < qMin(rows, s_rowsMadeAtOnce); ++row) {
        refreshFolderRow(row);
    }
    for (int row = firstShown; row <= (lastShown < 0 ? rows - 1 : lastShown); ++row) {
        refreshFolderRow(row);
    }
}

void SettingsDialog::refreshFolderRow(int row)
{
    const QString lockedTip = tr("At least one folder must be included to be able to exclude home folder");
    const QString path = m_folderModel.folderPath(m_folderModel.index(row, 0));
    auto *state = qobject_cast<QComboBox *>(ui->tableViewFolders->indexWidget(m_folderModel.index(row, 1)));
    QWidget *remove = ui->tableViewFolders->indexWidget(m_folderModel.index(row, 2));
    if (!state || !remove) {
        state = new QComboBox(this);
        state->addItem(tr("Not indexed"), false);
        state->addItem(tr("Indexed"), true);
        connect(state, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, path](int index) {
            index ? m_folderModel.includeFolder(path) : m_folderModel.excludeFolder(path);
            updateState();
            refreshFolderWidgets();
        });
        auto *button = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon)), QString(), this);
        // The view disposes of a removed row's widgets later, not while their own signal runs.
        connect(button, &QPushButton::pressed, this, [this, path] {
            m_folderModel.removeFolder(path);
            updateState();
            refreshFolderWidgets();
        });
        remove = button;
        ui->tableViewFolders->setIndexWidget(m_folderModel.index(row, 1), state);
        ui->tableViewFolders->setIndexWidget(m_folderModel.index(row, 2), remove);
    }
    const QSignalBlocker blocker(state);
    state->setCurrentIndex(m_folderModel.isIncluded(path) ? 1 : 0);
    const bool locked = m_folderModel.isHomeLocked(path);
    for (QWidget *widget : std::initializer_list<QWidget *>{state, remove}) {
        widget->setEnabled(!locked);
        widget->setToolTip(locked ? lockedTip : QString());
    }
}

void SettingsDialog::chooseFolder(bool include)
{
    for (;;) {
        const QString chosen = QFileDialog::getExistingDirectory(this, tr("Select a folder to include"), QDir::homePath(), QFileDialog::ShowDirsOnly);
        if (chosen.isEmpty()) {
            return;
        }
        const QFileInfo folder(chosen);
        QString error;
        if (folder.isRoot()) {
            error = tr("Folder \"/\" could not be added.");
        } else if (!folder.isReadable()) {
            error = tr("Selected folder is not readable.");
        }
        if (error.isEmpty()) {
            m_folderModel.addFolder(folder.canonicalFilePath(), include);
            refreshFolderWidgets();
            updateState();
            return;
        }
        QMessageBox::critical(this, tr("Input error"), error);
    }
}

void SettingsDialog::addIncludedFolder()
{
    chooseFolder(true);
}

void SettingsDialog::addExcludedFolder()
{
    chooseFolder(false);
}

void SettingsDialog::onLimitRemoved()
{
    m_searchSettings.setLimitIndexSize(false);
    ui->checkBoxLimitIndexSize->setChecked(false);
    updateState();
}

void SettingsDialog::initStatusRefresh()
{
    m_monitor = m_controller->monitor();
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &SettingsDialog::refreshStatus);
    timer->start(s_statusIntervalMs);
}

void SettingsDialog::refreshStatus()
{
    // The figure comes from a tool that may be slow; the line shows the last
    // one known until the new one is in.
    const auto showStatus = [this] {
        ui->labelStatus->setText(m_progress < 0 ? tr("Status: %1").arg(m_monitor->stateName())
                                                : tr("Status: %1, %2% complete").arg(m_monitor->stateName()).arg(m_progress));
    };
    BalooCtl::indexingProgress(this, [this, showStatus](int progress) {
        m_progress = progress;
        showStatus();
    });
    showStatus();

    const bool suspended = m_monitor->state() == s_suspendedState;
    if (suspended) {
        ui->pushButtonPauseResumeIndexer->setEnabled(!m_searchSettings.idleModeIndexing());
    }
    ui->pushButtonPauseResumeIndexer->setText(suspended ? tr("Resume") : tr("Pause"));
    ui->labelDatabaseSize->setText(tr("Database size: %1").arg(databaseSizeText()));
}

void SettingsDialog::togglePause()
{
    if (m_monitor->state() != s_suspendedState) {
        m_controller->setPausedByUser(true);
    }
    m_controller->reevaluate();
    m_monitor->toggleSuspendState();
}

void SettingsDialog::resetDatabase()
{
    QMessageBox box;
    box.setWindowTitle(tr("Database deletion confirmation"));
    box.setText(tr("Do you really want to delete the index database?"));
    box.setInformativeText(tr("The entire index will have to be re-created from scratch. This may take some time, depending on how many files you have."));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes) {
        BalooCtl::purge();
    }
}

void SettingsDialog::askPurgeAfterDisable()
{
    QMessageBox box;
    box.setText(tr("File search has been disabled"));
    box.setInformativeText(tr("Do you want to delete the saved index data? %1 of space will be freed, but if indexing is re-enabled later, the entire index "
                              "will have to be re-created from scratch. This may take some time, depending on how many files you have.")
                               .arg(databaseSizeText()));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    if (box.exec() == QMessageBox::Yes) {
        BalooCtl::purge();
    }
}

QString SettingsDialog::databaseSizeText() const
{
    return KFormat(QLocale()).formatByteSize(double(BalooController::indexSize()), 1, KFormat::DefaultBinaryDialect, KFormat::DefaultBinaryUnits);
}
