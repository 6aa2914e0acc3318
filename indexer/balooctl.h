// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOCTL_H
#define BALOOCTL_H

#include <QObject>

#include <functional>

/**
 * Orders to the file indexer, through its command-line tool and its D-Bus
 * service, and how far its content indexing has come. One run of each kind at
 * most is in flight; a tool that hangs is ended after a while, and every run
 * when the application quits.
 */
class BalooCtl : public QObject
{
    Q_OBJECT
public:
    explicit BalooCtl(QObject *parent = nullptr);

    static void enable();
    static void disable();
    static void suspend();
    static void resume();
    static void purge();
    static void updateConfig();

    /**
     * Asks the indexer's status tool, without blocking, and calls @p done
     * with the share of files whose content is indexed, 0 to 100, or -1 when
     * there is no figure, unless @p context is gone by then. Only one run is
     * in flight: a request made meanwhile gets the answer of that run.
     */
    static void indexingProgress(QObject *context, const std::function<void(int)> &done);

    // The status tool's output read the way indexingProgress() reads it.
    static int progressFromStatus(const QByteArray &output);

    // Test seams: another status tool, a shorter patience with every tool.
    static void setStatusProgramForTesting(const QString &program, int timeoutMs);
};

#endif
