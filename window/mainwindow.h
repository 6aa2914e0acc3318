// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef MAINWINDOW_H
#define MAINWINDOW_H

#include "resultsmodel.h"

#include <QMainWindow>
#include <QMap>

namespace Ui
{
class MainWindow;
}

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEvent(const QByteArray &eventType, void *message, long *result) override;

private:
    bool hasOpenTransientWindow() const;
    void setUpResults();
    void onQueryFinished();
    bool isCategory(int row) const;

    ResultsModel m_model;
    Ui::MainWindow *ui;
};

#endif
