// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef CATEGORYDISTRIBUTIONPROXYMODEL_H
#define CATEGORYDISTRIBUTIONPROXYMODEL_H

#include <QSortFilterProxyModel>

/**
 * Shares a limit of shown matches out among the categories: earlier ones get
 * more, every one shows at least one.
 */
class CategoryDistributionProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    int limit() const;
    void setLimit(int limit);

    void setSourceModel(QAbstractItemModel *sourceModel) override;

Q_SIGNALS:
    void limitChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    int m_limit = 0;
};

#endif
