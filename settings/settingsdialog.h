// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SETTINGSDIALOG_H
#define SETTINGSDIALOG_H

#include "baloosettings.h"
#include "foldertablemodel.h"
#include "searchsettings.h"

#include <QDialog>

namespace Ui
{
class SettingsDialog;
}

class BalooController;
class BalooMonitor;

/**
 * File search settings: what the indexer indexes, the panel's own
 * preferences, and the indexer's state. Edits reach the files on apply only.
 */
class SettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SettingsDialog(BalooController *controller, QWidget *parent = nullptr);
    ~SettingsDialog() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void load();
    void restoreDefaults();
    bool isChanged() const;
    void updateState();
    bool apply();
    bool saveIndexerSettings(bool typesEdited);
    void driveIndexer(bool wasEnabled, bool contentEdited, bool configChanged);
    void applyAndClose();
    void cancel();
    void showHelp();
    void refreshFolderWidgets();
    void refreshFolderRow(int row);
    void chooseFolder(bool include);
    void addIncludedFolder();
    void addExcludedFolder();
    void onLimitRemoved();
    QStringList excludedMimetypes(bool documents, bool media) const;
    void setControls(bool enabled, bool content, bool hidden, const SearchSettings &settings);
    SearchSettings preferencesFromControls() const;
    bool isLocked(const QString &item) const;
    void warnUnreadable();

    void initStatusRefresh();
    void refreshStatus();
    void togglePause();
    void resetDatabase();
    void askPurgeAfterDisable();
    QString databaseSizeText() const;

    FolderTableModel m_folderModel;
    BalooSettings m_balooSettings;
    SearchSettings m_searchSettings;
    BalooMonitor *m_monitor = nullptr;
    BalooController *m_controller;
    Ui::SettingsDialog *ui;
    int m_progress = -1;
};

#endif
