// SPDX-License-Identifier: GPL-2.0-or-later
#include "sortproxymodel.h"

#include "resultsmodel.h"

bool SortProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const int leftType = left.data(ResultsModel::TypeRole).toInt();
    const int rightType = right.data(ResultsModel::TypeRole).toInt();
    if (leftType != rightType) {
        return leftType < rightType;
    }
    const qreal leftRelevance = left.data(ResultsModel::RelevanceRole).toReal();
    const qreal rightRelevance = right.data(ResultsModel::RelevanceRole).toReal();
    if (!qFuzzyCompare(leftRelevance, rightRelevance)) {
        return leftRelevance < rightRelevance;
    }
    return QSortFilterProxyModel::lessThan(left, right);
}
