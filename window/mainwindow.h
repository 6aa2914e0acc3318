// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "resultsmodel.h"

#include <QMainWindow>
#include <QMap>

#include <memory>

namespace Ui
{
class MainWindow;
}

class BalooController;
class BalooMonitor;
class SettingsDialog;
class QMenu;
class QScreen;

/**
 * The panel: a result area above one query line. It hides itself on Escape,
 * when the focus leaves the application and when the screens change.
 */
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~MainWindow() override;

    void prependQuery(const QString &text);
    void clearQuery();

    void applyTheme(const QMap<QString, QString> &colors);
    void applyStyleSheet(bool top, bool left, bool bottom, bool right);
    void updatePlaceholderColor();

    void place(const QString &monitor, int position, int size, int width, int height);
    static QScreen *screenByName(const QString &name);

public Q_SLOTS:
    void show();
    void onQueryEdited();
    void onFocusChanged(QWidget *old, QWidget *now);
    void openAdvancedSearch();
    void selectNextResult();
    void selectPreviousResult();
    void openResult(const QModelIndex &index);
    void openResultInTerminal(const QModelIndex &index);
    void showResultMenu(const QPoint &pos);
    void updateIndexationLabel();
    void openSettings();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    bool hasOpenTransientWindow() const;
    void setUpResults();
    void prepareRunners();
    void onQueryFinished();
    bool isCategory(int row) const;
    void showCurrentResultMenu();
    void addResultActions(QMenu *menu, const QModelIndex &index);
    QModelIndex findResult(const QString &id, const QVariant &target) const;
    void copyToFolder(const QModelIndex &index, int folder);
    void sendToFolder(const QModelIndex &index, int folder);
    void showInFileManager(const QModelIndex &index);
    void copyResult(const QModelIndex &index);
    void copyResultPath(const QModelIndex &index);
    void showProperties(const QModelIndex &index);

    ResultsModel m_model;
    Ui::MainWindow *ui;
    BalooMonitor *m_monitor;
    BalooController *m_controller;
    std::unique_ptr<SettingsDialog> m_settingsDialog;
    // The window system's own word on the keyboard focus since the panel was last
    // shown; Qt's activation follows it a moment late.
    enum class WindowFocus { NotGivenYet, Given, Taken };
    WindowFocus m_windowFocus = WindowFocus::NotGivenYet;
};

#endif
