// SPDX-License-Identifier: GPL-2.0-or-later
// Asks the file index for the file runner, in a process of its own: a process
// keeps reading the index file it opened first, and a purge replaces it.
#include "indexquery_p.h"
#include "keyboardlayout.h"

#include <Baloo/Query>
#include <KFileMetaData/TypeInfo>

#include <QStandardPaths>
#include <QtConcurrent>

#include <cstdio>
#include <algorithm>
#include <functional>
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

QStringList ask(const QString &term, const QString &type)
{
    Baloo::Query query;
    query.setSearchString(term);
    if (!type.isEmpty()) {
        query.setType(type);
    }
    // Some results belong to other kinds or were found already.
    query.setLimit(type.isEmpty() ? 5 * s_maxPerCategory : 2 * s_maxPerCategory);
    QStringList paths;
    Baloo::ResultIterator results = query.exec();
    while (results.next()) {
        paths << results.filePath();
    }
    return paths;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    namespace Type = KFileMetaData::Type;
    QStringList types;
    for (const Type::Type type :
         {Type::Folder, Type::Spreadsheet, Type::Presentation, Type::Audio, Type::Video, Type::Image, Type::Archive, Type::Document, Type::Text}) {
        types << KFileMetaData::TypeInfo(type).name();
    }
    types << QString();
    Q_ASSERT(types.size() == s_indexQueryKinds);

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
        // The index answers each kind on its own, so the kinds are asked side by side.
        const auto askEveryKind = [&types](const QString &text) {
            const std::function<QStringList(const QString &)> askFor = [&text](const QString &type) {
                const QStringList paths = ask(text, type);
                // Without a term the index lists a kind's newest files, after
                // reading the times of all of them: the pages every search sorts by.
                return text.isEmpty() ? QStringList() : paths;
            };
            return QtConcurrent::blockingMapped<QVector<QStringList>>(types, askFor);
        };
        QVector<QStringList> found = searchable ? askEveryKind(term) : QVector<QStringList>(s_indexQueryKinds);
        // The other keyboard layout only for text that finds nothing as typed: a
        // word missing from the index costs little to ask for.
        const QString otherTerm = otherKeyboardLayout(term);
        if (searchable && !otherTerm.isEmpty() && std::all_of(found.cbegin(), found.cend(), std::mem_fn(&QStringList::isEmpty))) {
            found = askEveryKind(otherTerm);
            for (QStringList &paths : found) {
                if (!paths.isEmpty()) {
                    paths.prepend(QLatin1String(s_otherLayoutMark));
                }
            }
        }
        for (const QStringList &paths : found) {
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
