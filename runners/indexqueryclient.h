// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INDEXQUERYCLIENT_H
#define INDEXQUERYCLIENT_H

#include <QMutex>
#include <QStringList>
#include <QVector>

#include <sys/types.h>

/**
 * The file index, asked through a program of its own that is started again
 * whenever the index file was replaced, so that a purged and rebuilt index is
 * read as it is now. Safe to use from several threads; they take turns.
 */
class IndexQueryClient
{
public:
    explicit IndexQueryClient(const QString &program);
    ~IndexQueryClient();

    // The paths found for each kind of file, or nothing when the index cannot be asked.
    QVector<QStringList> ask(const QString &term);

private:
    bool start();
    void stop();
    bool exchange(const QByteArray &request, QVector<QStringList> *answer);

    const QByteArray m_program;
    QMutex m_lock;
    pid_t m_pid = -1;
    int m_socket = -1;
};

#endif
