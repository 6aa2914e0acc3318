// SPDX-License-Identifier: GPL-2.0-or-later
#include "categorydistributionproxymodel.h"

#include <cmath>

namespace
{
int ceilOfQuotient(int dividend, int divisor)
{
    return int(std::ceil(double(dividend) / double(divisor)));
}
}

int CategoryDistributionProxyModel::limit() const
{
    return m_limit;
}

void CategoryDistributionProxyModel::setLimit(int limit)
{
    if (m_limit == limit) {
        return;
    }
    m_limit = limit;
    invalidateFilter();
    Q_EMIT limitChanged();
}

void CategoryDistributionProxyModel::setSourceModel(QAbstractItemModel *model)
{
    if (QAbstractItemModel *previous = sourceModel()) {
        disconnect(previous, nullptr, this, nullptr);
    }
    QSortFilterProxyModel::setSourceModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &CategoryDistributionProxyModel::invalidateFilter);
        connect(model, &QAbstractItemModel::rowsMoved, this, &CategoryDistributionProxyModel::invalidateFilter);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &CategoryDistributionProxyModel::invalidateFilter);
    }
}

bool CategoryDistributionProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_limit <= 0 || !sourceParent.isValid()) {
        return true;
    }
    const int categories = sourceModel()->rowCount();
    int maxItems = m_limit;
    if (categories >= 2) {
        int itemsBefore = 0;
        for (int i = 0; i <= sourceParent.row(); ++i) {
            const int itemsInCategory = sourceModel()->rowCount(sourceModel()->index(i, 0));
            const int availableSpace = (m_limit - itemsBefore) - ceilOfQuotient(m_limit, categories);
            const int share = ceilOfQuotient(m_limit, i + 2);
            maxItems = std::max(1, std::min(availableSpace, share));
            itemsBefore += std::min(itemsInCategory, maxItems);
        }
    }
    return sourceRow < maxItems;
}
