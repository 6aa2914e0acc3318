// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RESULTSMODEL_P_H
#define RESULTSMODEL_P_H

#include "resultsmodel.h"

#include <KRunner/AbstractRunner>

#include <QPointer>

class CategoryDistributionProxyModel;
class DuplicateDetectorProxyModel;
class KDescendantsProxyModel;
class RunnerResultsModel;
class SortProxyModel;

class ResultsModelPrivate
{
public:
    explicit ResultsModelPrivate(ResultsModel *q);

    ResultsModel *const q;
    QPointer<Plasma::AbstractRunner> runner;
    RunnerResultsModel *resultsModel;
    SortProxyModel *sortModel;
    CategoryDistributionProxyModel *distributionModel;
    KDescendantsProxyModel *flattenModel;
    DuplicateDetectorProxyModel *duplicatesModel;
    ResultsModel::Grouping grouping = ResultsModel::FixedGrouping;
};

#endif
