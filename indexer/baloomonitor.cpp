// SPDX-License-Identifier: GPL-2.0-or-later
#include "baloomonitor.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQmlProperty>

namespace
{
enum State {
    FirstRun = 2,
    StaleIndexEntriesClean = 8,
};
}

BalooMonitor::BalooMonitor(QObject *parent)
    : QObject(parent)
    , m_engine(new QQmlEngine(this))
    , m_component(new QQmlComponent(m_engine))
{
    m_component->setData("import org.kde.baloo.experimental 0.1 as Baloo\n Baloo.Monitor { id: monitor }", QUrl());
    m_object = m_component->create();
    if (!m_object) {
        return;
    }
    connect(m_object, SIGNAL(newFileIndexed()), this, SIGNAL(newFileIndexed()));
    connect(m_object, SIGNAL(balooStateChanged()), this, SIGNAL(balooStateChanged()));
    connect(m_object, SIGNAL(totalFilesChanged()), this, SIGNAL(totalFilesChanged()));
    connect(m_object, SIGNAL(remainingTimeChanged()), this, SIGNAL(remainingTimeChanged()));
    connect(m_object, SIGNAL(indexerStateChanged()), this, SIGNAL(indexerStateChanged()));
}

// The engine goes with the monitor; what it made goes first.
BalooMonitor::~BalooMonitor()
{
    delete m_object;
    delete m_component;
}

int BalooMonitor::state() const
{
    return QQmlProperty::read(m_object, QStringLiteral("state"), m_engine).toInt();
}

bool BalooMonitor::isIndexing() const
{
    return unsigned(state() - FirstRun) <= unsigned(StaleIndexEntriesClean - FirstRun);
}

QString BalooMonitor::stateName() const
{
    return stateName(state());
}

QString BalooMonitor::stateName(int state)
{
    static const char *const names[] = {
        QT_TR_NOOP("Idle"),
        QT_TR_NOOP("Suspended"),
        QT_TR_NOOP("First run"),
        QT_TR_NOOP("New files"),
        QT_TR_NOOP("Modified files"),
        QT_TR_NOOP("XAttr files"),
        QT_TR_NOOP("Content indexing"),
        QT_TR_NOOP("Unindexed file check"),
        QT_TR_NOOP("Stale index entries clean"),
        QT_TR_NOOP("Low power idle"),
        QT_TR_NOOP("Unavailable"),
        QT_TR_NOOP("Startup"),
    };
    if (state < 0 || state >= int(std::size(names))) {
        return tr("Unknown");
    }
    return tr(names[state]);
}

void BalooMonitor::toggleSuspendState()
{
    if (m_object) {
        QMetaObject::invokeMethod(m_object, "toggleSuspendState");
    }
}
