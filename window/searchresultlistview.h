// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHRESULTLISTVIEW_H
#define SEARCHRESULTLISTVIEW_H

#include <QListView>

class SearchResultListView : public QListView
{
    Q_OBJECT
public:
    explicit SearchResultListView(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif
