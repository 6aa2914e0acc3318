// SPDX-License-Identifier: GPL-2.0-or-later
#include "duplicatedetectorproxymodel.h"

#include "resultsmodel.h"

DuplicateDetectorProxyModel::DuplicateDetectorProxyModel(QObject *parent)
    : QIdentityProxyModel(parent)
{
    const auto forget = [this] {
        m_counted = false;
    };
    connect(this, &QAbstractItemModel::modelReset, this, forget);
    connect(this, &QAbstractItemModel::layoutChanged, this, forget);
    connect(this, &QAbstractItemModel::rowsInserted, this, forget);
    connect(this, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(this, &QAbstractItemModel::rowsMoved, this, forget);
    connect(this, &QAbstractItemModel::dataChanged, this, forget);
}

QVariant DuplicateDetectorProxyModel::data(const QModelIndex &index, int role) const
{
    if (role != ResultsModel::DuplicateRole) {
        return QIdentityProxyModel::data(index, role);
    }
    const QAbstractItemModel *source = sourceModel();
    if (!source || !index.isValid()) {
        return {};
    }
    if (!m_counted) {
        m_textCounts.clear();
        for (int row = 0, rows = source->rowCount(); row < rows; ++row) {
            ++m_textCounts[source->index(row, 0).data(Qt::DisplayRole).toString()];
        }
        m_counted = true;
    }
    return m_textCounts.value(index.data(Qt::DisplayRole).toString()) >= 2;
}
