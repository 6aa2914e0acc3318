// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchresultdelegate.h"

#include "resultsmodel.h"

SearchResultDelegate::SearchResultDelegate(QObject *view, ResultsModel *model)
    : QStyledItemDelegate(view)
    , m_view(view)
    , m_model(model)
{
}

void SearchResultDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem header(option);
    if (m_model->data(index, ResultsModel::IsCategoryRole).toBool()) {
        header.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Selected);
    }
    QStyledItemDelegate::paint(painter, header, index);
}
