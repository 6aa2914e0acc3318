// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RESULTSMODEL_H
#define RESULTSMODEL_H

#include <QIcon>
#include <QSortFilterProxyModel>

#include <memory>

namespace Plasma
{
class RunnerManager;
}

class ResultsModelPrivate;

/**
 * The flat list the panel shows: each category row followed by its matches,
 * sorted, limited per category and marked where a text repeats.
 */
class ResultsModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(QString queryString READ queryString WRITE setQueryString NOTIFY queryStringChanged)
    Q_PROPERTY(int limit READ limit WRITE setLimit RESET resetLimit NOTIFY limitChanged)
    Q_PROPERTY(bool querying READ querying NOTIFY queryingChanged)
    Q_PROPERTY(QString runner READ runner WRITE setRunner NOTIFY runnerChanged)
    Q_PROPERTY(QString runnerName READ runnerName NOTIFY runnerChanged)
    Q_PROPERTY(QIcon runnerIcon READ runnerIcon NOTIFY runnerChanged)
    Q_PROPERTY(Plasma::RunnerManager *runnerManager READ runnerManager CONSTANT)

public:
    enum Roles {
        IdRole = Qt::UserRole + 1,
        TypeRole,
        RelevanceRole,
        EnabledRole,
        CategoryRole,
        SubtextRole,
        DuplicateRole,
        ActionsRole,
        MultiLineRole,
        IsCategoryRole,
        DataRole,
        /// The command line of an application's entry, for a terminal.
        CommandRole,
    };
    Q_ENUM(Roles)

    enum Grouping {
        FixedGrouping = 0,
        AdaptiveGrouping,
    };
    Q_ENUM(Grouping)

    enum Distribution {
        FixedDistribution = 0,
        LinearDistribution,
    };
    Q_ENUM(Distribution)

    explicit ResultsModel(QObject *parent = nullptr);
    ~ResultsModel() override;

    QString queryString() const;
    void setQueryString(const QString &queryString);

    int limit() const;
    void setLimit(int limit);
    void resetLimit();

    bool querying() const;

    QString runner() const;
    void setRunner(const QString &runnerId);
    QString runnerName() const;
    QIcon runnerIcon() const;

    Grouping grouping() const;
    void setGrouping(Grouping grouping);

    Plasma::RunnerManager *runnerManager() const;

    void clear();

    /// The user opened the match with this id once more; later queries rank it higher.
    void countLaunch(const QString &matchId);

    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void queryStringChanged(const QString &queryString);
    void limitChanged();
    void queryingChanged();
    void runnerChanged();
    void queryStringChangeRequested(const QString &queryString, int pos);

private:
    const std::unique_ptr<ResultsModelPrivate> d;
};

#endif
