// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef RUNNERRESULTSMODEL_H
#define RUNNERRESULTSMODEL_H

#include <QAbstractItemModel>
#include <QHash>
#include <QPixmap>
#include <QStringList>
#include <QVector>

#include <KConfigGroup>
#include <KRunner/QueryMatch>

#include <array>
#include <memory>

namespace Plasma
{
class RunnerManager;
}
class SearchSettings;

/**
 * The runners' matches as a two-level tree: one row per category, its
 * matches below it. "Best match" holds up to three of the strongest.
 */
class RunnerResultsModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Grouping {
        FixedGrouping = 0,
        AdaptiveGrouping,
    };
    Q_ENUM(Grouping)

    explicit RunnerResultsModel(QObject *parent = nullptr);
    ~RunnerResultsModel() override;

    QString queryString() const;
    void setQueryString(const QString &queryString, const QString &runner);

    bool querying() const;
    void setQuerying(bool querying);

    Grouping grouping() const;
    void setGrouping(Grouping grouping);

    void clear();

    void countLaunch(const QString &matchId);

    Plasma::RunnerManager *runnerManager() const;
    Plasma::QueryMatch fetchMatch(const QModelIndex &index) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    Qt::DropActions supportedDragActions() const override;

public Q_SLOTS:
    void onMatchesChanged(const QList<Plasma::QueryMatch> &matches);

Q_SIGNALS:
    void queryStringChangeRequested(const QString &queryString, int pos);
    void queryStringChanged(const QString &queryString);
    void queryingChanged();
    void matchesChanged();

private:
    QVariant categoryData(const QString &category, int role) const;
    QVariant matchData(const Plasma::QueryMatch &match, int role) const;
    QString toolTip(const Plasma::QueryMatch &match) const;
    QPixmap iconPixmap(const QString &iconName) const;
    void takeLaunchCounts();
    const SearchSettings &searchSettings();

    Plasma::RunnerManager *m_manager;
    QString m_queryString;
    bool m_querying = false;
    QString m_runner;
    Grouping m_grouping = FixedGrouping;
    QStringList m_categories;
    QHash<QString, QVector<Plasma::QueryMatch>> m_matches;
    // Where the runner library keeps the launch counts it ranks by, in its format.
    KConfigGroup m_launchCounts;
    bool m_launchCountsTaken = true;
    // Looking a name up in the icon theme costs more than the rest of a row.
    mutable QHash<QString, QPixmap> m_iconPixmaps;
    // The preferences as last read, and their file's device, inode, size and time then.
    std::unique_ptr<SearchSettings> m_settings;
    QByteArray m_settingsFile;
    std::array<qint64, 5> m_settingsFileState{};
};

#endif
