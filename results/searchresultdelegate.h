// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHRESULTDELEGATE_H
#define SEARCHRESULTDELEGATE_H

#include <QStyledItemDelegate>

class ResultsModel;

/// Paints result rows; category headers never look hovered, focused or selected.
class SearchResultDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    SearchResultDelegate(QObject *view, ResultsModel *model);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QObject *m_view;
    ResultsModel *m_model;
};

#endif
