// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef INDEXSEARCH_H
#define INDEXSEARCH_H

#include <QHash>
#include <QStringList>
#include <QVector>

/**
 * The file index asked as the file runner wants it: the lists of paths that
 * indexquery_p.h describes, for one term at a time, in one thread at a time.
 */
class IndexSearch
{
public:
    IndexSearch();

    // For no term, nothing, having read what every search needs.
    QVector<QStringList> find(const QString &term);

private:
    QStringList m_kinds;
    // The kinds, as bits in the order of m_kinds, that the index gave files of each name suffix.
    QHash<QString, uint> m_kindsBySuffix;
};

#endif
