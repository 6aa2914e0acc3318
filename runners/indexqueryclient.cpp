// SPDX-License-Identifier: GPL-2.0-or-later
#include "indexqueryclient.h"
#include "indexquery_p.h"

#include <QFile>

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace
{
// A hung index must not hold the search up for good.
constexpr int s_answerTimeoutMs = 10000;
// Every kind at its most, of the longest paths: more is not an answer.
constexpr qsizetype s_maxAnswerBytes = qsizetype(s_indexQueryKinds) * 5 * s_maxPerCategory * (PATH_MAX + 1);
}

IndexQueryClient::IndexQueryClient(const QString &program)
    : m_program(QFile::encodeName(program))
{
}

IndexQueryClient::~IndexQueryClient()
{
    stop();
}

bool IndexQueryClient::start()
{
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sockets[1], STDOUT_FILENO);
    // Nothing else of the panel's: a long-lived program would keep its pipes and sockets open.
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    QByteArray program = m_program;
    char *argv[] = {program.data(), nullptr};
    const int error = ::posix_spawn(&m_pid, m_program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(sockets[1]);
    if (error != 0) {
        ::close(sockets[0]);
        m_pid = -1;
        return false;
    }
    m_socket = sockets[0];
    return true;
}

void IndexQueryClient::stop()
{
    if (m_socket >= 0) {
        ::close(m_socket);
        m_socket = -1;
    }
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}

bool IndexQueryClient::exchange(const QByteArray &request, QVector<QStringList> *answer)
{
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t count = ::send(m_socket, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (count <= 0) {
            return false;
        }
        sent += count;
    }
    QByteArray record;
    QStringList paths;
    char chunk[65536];
    for (qsizetype received = 0; answer->size() < s_indexQueryKinds;) {
        pollfd ready = {m_socket, POLLIN, 0};
        const ssize_t count = ::poll(&ready, 1, s_answerTimeoutMs) == 1 ? ::recv(m_socket, chunk, sizeof chunk, 0) : -1;
        received += count;
        if (count <= 0 || received > s_maxAnswerBytes) {
            return false;
        }
        // Whole records at a time: a path is most of a chunk, and mostly in one.
        for (const char *c = chunk, *end = chunk + count; c < end;) {
            const char *nul = static_cast<const char *>(std::memchr(c, '\0', size_t(end - c)));
            record.append(c, int((nul ? nul : end) - c));
            if (!nul) {
                break;
            }
            c = nul + 1;
            if (!record.isEmpty()) {
                paths << QFile::decodeName(record);
                record.clear();
            } else {
                answer->append(std::exchange(paths, {}));
            }
        }
    }
    return true;
}

QVector<QStringList> IndexQueryClient::ask(const QString &term)
{
    QByteArray request = term.toUtf8().replace('\0', ' ');
    request += '\0';
    QMutexLocker locker(&m_lock);
    // Once more with a new start: the program ends when the index was replaced.
    for (int attempt = 0; attempt < 2; ++attempt) {
        QVector<QStringList> answer;
        if ((m_socket >= 0 || start()) && exchange(request, &answer)) {
            return answer;
        }
        stop();
    }
    return {};
}
