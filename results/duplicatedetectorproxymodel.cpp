// SPDX-License-Identifier: GPL-2.0-or-later
#include "duplicatedetectorproxymodel.h"

#include "resultsmodel.h"

QVariant DuplicateDetectorProxyModel::data(const QModelIndex &index, int role) const
{
    if (role != ResultsModel::DuplicateRole) {
        return QIdentityProxyModel::data(index, role);
    }
    const QAbstractItemModel *source = sourceModel();
    if (!source || !index.isValid()) {
        return {};
    }
    const QVariant text = index.data(Qt::DisplayRole);
    int seen = 0;
    for (int row = 0, rows = source->rowCount(); row < rows; ++row) {
        if (source->index(row, 0).data(Qt::DisplayRole) == text && ++seen == 2) {
            return true;
        }
    }
    return false;
}
