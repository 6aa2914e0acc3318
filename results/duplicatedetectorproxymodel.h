// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DUPLICATEDETECTORPROXYMODEL_H
#define DUPLICATEDETECTORPROXYMODEL_H

#include <QHash>
#include <QIdentityProxyModel>

/// Tells which rows of a flat list share their text with another row.
class DuplicateDetectorProxyModel : public QIdentityProxyModel
{
    Q_OBJECT
public:
    explicit DuplicateDetectorProxyModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    // Painting asks every row, so the texts are counted once for each change.
    mutable QHash<QString, int> m_textCounts;
    mutable bool m_counted = false;
};

#endif
