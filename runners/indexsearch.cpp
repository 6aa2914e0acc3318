// SPDX-License-Identifier: GPL-2.0-or-later
#include "indexsearch.h"
#include "indexquery_p.h"

#include <Baloo/Query>
#include <KFileMetaData/TypeInfo>

#include <QtConcurrent>

#include <array>
#include <functional>
#include <numeric>

namespace
{
// Of any kind, enough that a common word mostly gives every kind it finds its share at once.
constexpr int s_anyLimit = 5 * s_maxPerCategory;
// Of one kind: some of them are of another kind to the runner, or found already.
constexpr int s_kindLimit = 2 * s_maxPerCategory;
// Far more than the suffixes of a user's files.
constexpr int s_maxSuffixes = 10000;

QStringList ask(const QString &term, const QString &type, int limit)
{
    Baloo::Query query;
    query.setSearchString(term);
    if (!type.isEmpty()) {
        query.setType(type);
    }
    query.setLimit(limit);
    QStringList paths;
    paths.reserve(limit);
    Baloo::ResultIterator results = query.exec();
    while (results.next()) {
        paths << results.filePath();
    }
    return paths;
}

QString suffix(const QString &path)
{
    const int dot = path.lastIndexOf(QLatin1Char('.'));
    return dot > path.lastIndexOf(QLatin1Char('/')) ? path.mid(dot + 1) : QString();
}
}

IndexSearch::IndexSearch()
{
    namespace Type = KFileMetaData::Type;
    for (const Type::Type type :
         {Type::Folder, Type::Spreadsheet, Type::Presentation, Type::Audio, Type::Video, Type::Image, Type::Archive, Type::Document, Type::Text}) {
        m_kinds << KFileMetaData::TypeInfo(type).name();
    }
    Q_ASSERT(m_kinds.size() + 1 == s_indexQueryKinds);
}

QVector<QStringList> IndexSearch::find(const QString &term)
{
    QVector<QStringList> found(s_indexQueryKinds);
    QVector<int> wanted;
    if (!term.isEmpty()) {
        found[0] = ask(term, QString(), s_anyLimit);
        if (found[0].size() < s_anyLimit) {
            return found;
        }
        // A query reads the time of every file it finds, to sort them: a common
        // word would cost that once per kind. A kind of which the newest files
        // hold as many as the index would answer has them among those.
        std::array<int, s_indexQueryKinds - 1> held{};
        for (const QString &path : std::as_const(found[0])) {
            const uint kinds = m_kindsBySuffix.value(suffix(path));
            for (int kind = 0; kind < int(held.size()); ++kind) {
                held[kind] += (kinds >> kind) & 1;
            }
        }
        for (int kind = 0; kind < int(held.size()); ++kind) {
            if (held[kind] < s_kindLimit) {
                wanted << kind;
            }
        }
    } else {
        // Without a term the index lists a kind's newest files, after reading
        // the times of all of them: the pages every search sorts by.
        wanted.resize(m_kinds.size());
        std::iota(wanted.begin(), wanted.end(), 0);
    }
    const std::function<QStringList(int)> askKind = [this, &term](int kind) {
        return ask(term, m_kinds.at(kind), s_kindLimit);
    };
    const QVector<QStringList> lists = QtConcurrent::blockingMapped<QVector<QStringList>>(wanted, askKind);
    for (int i = 0; i < wanted.size(); ++i) {
        // The index gives a file its kinds by the suffix of its name, as a rule.
        for (const QString &path : lists.at(i)) {
            const QString key = suffix(path);
            if (!key.isEmpty() && (m_kindsBySuffix.size() < s_maxSuffixes || m_kindsBySuffix.contains(key))) {
                m_kindsBySuffix[key] |= 1u << wanted.at(i);
            }
        }
        if (!term.isEmpty()) {
            found[1 + wanted.at(i)] = lists.at(i);
        }
    }
    return found;
}
