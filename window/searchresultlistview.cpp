// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchresultlistview.h"

SearchResultListView::SearchResultListView(QWidget *parent)
    : QListView(parent)
{
}

bool SearchResultListView::eventFilter(QObject *watched, QEvent *event)
{
    return QAbstractItemView::eventFilter(watched, event);
}
