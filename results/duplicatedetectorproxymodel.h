// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DUPLICATEDETECTORPROXYMODEL_H
#define DUPLICATEDETECTORPROXYMODEL_H

#include <QIdentityProxyModel>

/// Tells which rows of a flat list share their text with another row.
class DuplicateDetectorProxyModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

#endif
