// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOMONITOR_H
#define BALOOMONITOR_H

#include <QObject>

class QQmlComponent;
class QQmlEngine;

/**
 * The file indexer's live state, read from the indexer's own QML monitor.
 * Without that module the state reads 0, "Idle".
 */
class BalooMonitor : public QObject
{
    Q_OBJECT
public:
    explicit BalooMonitor(QObject *parent = nullptr);
    ~BalooMonitor() override;

    int state() const;
    bool isIndexing() const;
    QString stateName() const;
    static QString stateName(int state);

    void toggleSuspendState();

Q_SIGNALS:
    void newFileIndexed();
    void balooStateChanged();
    void totalFilesChanged();
    void remainingTimeChanged();
    void indexerStateChanged();

private:
    QQmlEngine *m_engine;
    QQmlComponent *m_component;
    QObject *m_object;
};

#endif
