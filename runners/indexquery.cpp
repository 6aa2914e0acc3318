// SPDX-License-Identifier: GPL-2.0-or-later
// Asks the file index for the file runner, in a process of its own: a process
// keeps reading the index file it opened first, and a purge replaces it.
#include "indexquery_p.h"
#include "indexsearch.h"
#include "keyboardlayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QThreadPool>

#include <cstdio>
#include <sys/stat.h>

namespace
{
// Where the indexer keeps its index, as the indexer decides it.
QByteArray indexFile()
{
    const QByteArray folder = qgetenv("BALOO_DB_PATH");
    return folder.isEmpty() ? QByteArray(QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + "/baloo/index")
                            : QByteArray(folder + "/index");
}

// Which file the index is; a missing one is a file of its own.
QPair<dev_t, ino_t> identity(const QByteArray &path)
{
    struct stat status;
    return ::stat(path.constData(), &status) == 0 ? qMakePair(status.st_dev, status.st_ino) : qMakePair(dev_t(0), ino_t(0));
}
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // Threads kept however long between keystrokes: starting them again would be part of the next search.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    IndexSearch search;

    const QByteArray index = indexFile();
    const auto opened = identity(index);
    // A pipe or a device in the index's place would hold the index library up for good.
    struct stat status;
    const bool searchable = ::stat(index.constData(), &status) != 0 || S_ISREG(status.st_mode);
    std::string request;
    int c;
    while ((c = std::getchar()) != EOF) {
        if (c != '\0') {
            request += char(c);
            continue;
        }
        if (identity(index) != opened) {
            return 0;
        }
        const QString term = QString::fromStdString(std::exchange(request, {}));
        QVector<QStringList> found = searchable ? search.find(term) : QVector<QStringList>(s_indexQueryKinds);
        // The other keyboard layout only for text that finds nothing as typed: a
        // word missing from the index costs little to ask for.
        const QString otherTerm = otherKeyboardLayout(term);
        if (searchable && !otherTerm.isEmpty() && found.first().isEmpty()) {
            found = search.find(otherTerm);
            for (QStringList &paths : found) {
                if (!paths.isEmpty()) {
                    paths.prepend(QLatin1String(s_otherLayoutMark));
                }
            }
        }
        for (const QStringList &paths : std::as_const(found)) {
            for (const QString &path : paths) {
                const QByteArray name = QFile::encodeName(path);
                std::fwrite(name.constData(), 1, size_t(name.size()) + 1, stdout);
            }
            std::fputc('\0', stdout);
        }
        std::fflush(stdout);
    }
    return 0;
}
