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
#include <QShortcut>
#include <QStyle>
#include <QTimer>

namespace
{
constexpr int s_suspendedState = 1;
constexpr int s_statusIntervalMs = 500;
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
    setControls(true, false, BalooSettings::defaultIndexHiddenFoldersValue_helper(), SearchSettings());
    m_folderModel.setFolderLists(BalooSettings::defaultFoldersValue_helper(), BalooSettings::defaultExcludedFoldersValue_helper());
    refreshFolderWidgets();
    updateState();
}

bool SettingsDialog::isChanged() const
{
    return ui->checkBoxIndexEnabled->isChecked() != m_balooSettings.indexingEnabled()
        || !ui->checkBoxIndexFileContents->isChecked() != m_balooSettings.onlyBasicIndexing()
        || ui->checkBoxIndexHidden->isChecked() != m_balooSettings.indexHiddenFolders()
        || ui->checkBoxIndexApplications->isChecked() != m_searchSettings.indexApplications()
        || ui->checkBoxIndexDocuments->isChecked() != m_searchSettings.indexDocuments() || ui->checkBoxIndexMedia->isChecked() != m_searchSettings.indexMedia()
        || ui->checkBoxLimitIndexSize->isChecked() != m_searchSettings.limitIndexSize()
        || ui->spinBoxIndexSizeLimit->value() != m_searchSettings.indexSizeLimit()
        || ui->checkBoxIdleModeIndexing->isChecked() != m_searchSettings.idleModeIndexing() || m_folderModel.isChanged();
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
    ui->checkBoxIndexFileContents->setEnabled(enabled);
    ui->checkBoxIndexHidden->setEnabled(enabled);
    const bool contentOn = enabled && ui->checkBoxIndexFileContents->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{ui->labelLimitIndexSize,
                                                            ui->labelIndexSizeLimit,
                                                            ui->checkBoxLimitIndexSize,
                                                            ui->spinBoxIndexSizeLimit,
                                                            ui->checkBoxIdleModeIndexing}) {
        widget->setEnabled(contentOn);
    }
}

QStringList SettingsDialog::excludedMimetypes() const
{
    static const QSet<QString> neverExcluded{QStringLiteral("inode/directory")};
    QSet<QString> media;
    QSet<QString> documents;
    const QList<QMimeType> all = QMimeDatabase().allMimeTypes();
    for (const QMimeType &type : all) {
        const QString name = type.name();
        const bool isMedia = name.startsWith(QLatin1String("audio/")) || name.startsWith(QLatin1String("video/")) || name.startsWith(QLatin1String("image/"));
        (isMedia ? media : documents).insert(name);
    }
    const QStringList held = m_balooSettings.excludedMimetypes();
    const QStringList defaults = BalooSettings::defaultExcludedMimetypesValue_helper();
    QSet<QString> excluded(held.cbegin(), held.cend());
    excluded = m_searchSettings.indexMedia() ? excluded - media : excluded + media;
    excluded = m_searchSettings.indexDocuments() ? excluded - documents : excluded + documents;
    excluded += QSet<QString>(defaults.cbegin(), defaults.cend());
    return (excluded - neverExcluded).values();
}

void SettingsDialog::apply()
{
    const bool wasEnabled = m_balooSettings.indexingEnabled();
    const bool wasBasic = m_balooSettings.onlyBasicIndexing();
    const bool contentChecked = ui->checkBoxIndexFileContents->isChecked();
    const bool configChanged = ui->checkBoxIndexHidden->isChecked() != m_balooSettings.indexHiddenFolders()
        || ui->checkBoxIndexDocuments->isChecked() != m_searchSettings.indexDocuments() || ui->checkBoxIndexMedia->isChecked() != m_searchSettings.indexMedia()
        || m_folderModel.isChanged();

    m_balooSettings.setIndexingEnabled(ui->checkBoxIndexEnabled->isChecked());
    m_balooSettings.setOnlyBasicIndexing(!contentChecked);
    m_balooSettings.setIndexHiddenFolders(ui->checkBoxIndexHidden->isChecked());
    m_searchSettings.setIndexApplications(ui->checkBoxIndexApplications->isChecked());
    m_searchSettings.setIndexDocuments(ui->checkBoxIndexDocuments->isChecked());
    m_searchSettings.setIndexMedia(ui->checkBoxIndexMedia->isChecked());
    m_searchSettings.setLimitIndexSize(ui->checkBoxLimitIndexSize->isChecked());
    m_searchSettings.setIndexSizeLimit(ui->spinBoxIndexSizeLimit->value());
    m_searchSettings.setIdleModeIndexing(ui->checkBoxIdleModeIndexing->isChecked());
    m_folderModel.save(&m_balooSettings);
    m_balooSettings.setExcludedMimetypes(excludedMimetypes());
    m_balooSettings.save();
    m_searchSettings.save();

    if (m_searchSettings.idleModeIndexing()) {
        m_controller->setPausedByUser(false);
    }
    m_controller->reevaluate();

    if (m_balooSettings.indexingEnabled()) {
        if (contentChecked == !wasBasic) {
            if (configChanged) {
                BalooCtl::updateConfig();
            }
            BalooCtl::enable();
        } else {
            BalooCtl::purge();
        }
    } else {
        BalooCtl::disable();
        if (wasEnabled) {
            askPurgeAfterDisable();
        }
    }
    updateState();
}

void SettingsDialog::applyAndClose()
{
    apply();
    accept();
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

void SettingsDialog::refreshFolderWidgets()
{
    const QString lockedTip = tr("At least one folder must be included to be able to exclude home folder");
    for (int row = 0; row < m_folderModel.rowCount(); ++row) {
        const QString path = m_folderModel.folderPath(m_folderModel.index(row, 0));

        auto *state = new QComboBox(this);
        state->addItem(tr("Not indexed"), false);
        state->addItem(tr("Indexed"), true);
        state->setCurrentIndex(m_folderModel.isIncluded(path) ? 1 : 0);
        connect(state, qOverload<int>(&QComboBox::currentIndexChanged), this, [this, path](int index) {
            index ? m_folderModel.includeFolder(path) : m_folderModel.excludeFolder(path);
            updateState();
            refreshFolderWidgets();
        });

        auto *remove = new QPushButton(QIcon::fromTheme(QStringLiteral("edit-delete"), style()->standardIcon(QStyle::SP_TrashIcon)), QString(), this);
        connect(remove, &QPushButton::pressed, this, [this, path] {
            m_folderModel.removeFolder(path);
            updateState();
            refreshFolderWidgets();
        });

        if (m_folderModel.isHomeLocked(path)) {
            for (QWidget *widget : std::initializer_list<QWidget *>{state, remove}) {
                widget->setEnabled(false);
                widget->setToolTip(lockedTip);
            }
        }
        // The view disposes of the widgets these replace later, not while their own signal runs.
        ui->tableViewFolders->setIndexWidget(m_folderModel.index(row, 1), state);
        ui->tableViewFolders->setIndexWidget(m_folderModel.index(row, 2), remove);
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
