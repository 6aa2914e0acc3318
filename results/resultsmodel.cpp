// SPDX-License-Identifier: GPL-2.0-or-later
#include "resultsmodel.h"
#include "resultsmodel_p.h"

#include "categorydistributionproxymodel.h"
#include "duplicatedetectorproxymodel.h"
#include "runnerresultsmodel.h"
#include "sortproxymodel.h"

#include <KDescendantsProxyModel>
#include <KRunner/RunnerManager>

ResultsModelPrivate::ResultsModelPrivate(ResultsModel *q)
    : q(q)
    , resultsModel(new RunnerResultsModel(q))
    , sortModel(new SortProxyModel(q))
    , distributionModel(new CategoryDistributionProxyModel(q))
    , flattenModel(new KDescendantsProxyModel(q))
    , duplicatesModel(new DuplicateDetectorProxyModel(q))
{
}

ResultsModel::ResultsModel(QObject *parent)
    : QSortFilterProxyModel(parent)
    , d(std::make_unique<ResultsModelPrivate>(this))
{
    d->sortModel->setDynamicSortFilter(true);
    d->sortModel->sort(0, Qt::DescendingOrder);

    connect(d->resultsModel, &RunnerResultsModel::queryStringChanged, this, &ResultsModel::queryStringChanged);
    connect(d->resultsModel, &RunnerResultsModel::queryingChanged, this, &ResultsModel::queryingChanged);
    connect(d->resultsModel, &RunnerResultsModel::queryStringChangeRequested, this, &ResultsModel::queryStringChangeRequested);
    connect(d->distributionModel, &CategoryDistributionProxyModel::limitChanged, this, &ResultsModel::limitChanged);

    // The flattening stage inserts rows inside its own reset, which this proxy
    // cannot follow; so it lets go of the chain while the chain resets.
    connect(d->resultsModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        setSourceModel(nullptr);
    });
    connect(d->duplicatesModel, &QAbstractItemModel::modelReset, this, [this] {
        if (!sourceModel()) {
            setSourceModel(d->duplicatesModel);
        }
    });

    d->sortModel->setSourceModel(d->resultsModel);
    d->distributionModel->setSourceModel(d->sortModel);
    d->flattenModel->setSourceModel(d->distributionModel);
    d->duplicatesModel->setSourceModel(d->flattenModel);
    setSourceModel(d->duplicatesModel);
}

ResultsModel::~ResultsModel() = default;

QString ResultsModel::queryString() const
{
    return d->resultsModel->queryString();
}

void ResultsModel::setQueryString(const QString &queryString)
{
    d->resultsModel->setQueryString(queryString, runner());
}

int ResultsModel::limit() const
{
    return d->distributionModel->limit();
}

void ResultsModel::setLimit(int limit)
{
    d->distributionModel->setLimit(limit);
}

void ResultsModel::resetLimit()
{
    setLimit(0);
}

bool ResultsModel::querying() const
{
    return d->resultsModel->querying();
}

QString ResultsModel::runner() const
{
    return d->runner ? d->runner->id() : QString();
}

void ResultsModel::setRunner(const QString &runnerId)
{
    if (runnerId == runner()) {
        return;
    }
    d->runner = runnerId.isEmpty() ? nullptr : runnerManager()->runner(runnerId);
    Q_EMIT runnerChanged();
}

QString ResultsModel::runnerName() const
{
    return d->runner ? d->runner->name() : QString();
}

QIcon ResultsModel::runnerIcon() const
{
    return d->runner ? d->runner->icon() : QIcon();
}

ResultsModel::Grouping ResultsModel::grouping() const
{
    return d->grouping;
}

void ResultsModel::setGrouping(Grouping grouping)
{
    if (d->grouping == grouping) {
        return;
    }
    d->grouping = grouping;
    d->resultsModel->setGrouping(RunnerResultsModel::Grouping(grouping));
    d->sortModel->invalidate();
}

Plasma::RunnerManager *ResultsModel::runnerManager() const
{
    return d->resultsModel->runnerManager();
}

void ResultsModel::clear()
{
    d->resultsModel->clear();
}

void ResultsModel::countLaunch(const QString &matchId)
{
    d->resultsModel->countLaunch(matchId);
}

QHash<int, QByteArray> ResultsModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(IdRole, QByteArrayLiteral("matchId"));
    names.insert(EnabledRole, QByteArrayLiteral("enabled"));
    names.insert(TypeRole, QByteArrayLiteral("type"));
    names.insert(RelevanceRole, QByteArrayLiteral("relevance"));
    names.insert(CategoryRole, QByteArrayLiteral("category"));
    names.insert(SubtextRole, QByteArrayLiteral("subtext"));
    names.insert(DuplicateRole, QByteArrayLiteral("isDuplicate"));
    names.insert(ActionsRole, QByteArrayLiteral("actions"));
    names.insert(MultiLineRole, QByteArrayLiteral("multiLine"));
    return names;
}
