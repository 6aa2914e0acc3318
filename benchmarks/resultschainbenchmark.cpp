// SPDX-License-Identifier: GPL-2.0-or-later
// Figures on what one runner update costs the results chain, stage by stage,
// and what painting the visible rows asks of it afterwards. Prints a table;
// nothing is checked. Run it inside scripts/session.sh.

#include "categorydistributionproxymodel.h"
#include "duplicatedetectorproxymodel.h"
#include "resultsmodel.h"
#include "runnerresultsmodel.h"
#include "sortproxymodel.h"

#include <KDescendantsProxyModel>
#include <KPluginMetaData>
#include <KRunner/AbstractRunner>

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{
// The panel's own limit.
constexpr int s_limit = 60;
constexpr int s_visibleRows = 15;

class FakeRunner : public Plasma::AbstractRunner
{
public:
    FakeRunner()
        : Plasma::AbstractRunner(
            nullptr,
            KPluginMetaData(QJsonObject{{QStringLiteral("KPlugin"),
                                         QJsonObject{{QStringLiteral("Id"), QStringLiteral("nydbench")}, {QStringLiteral("Name"), QStringLiteral("Bench")}}}},
                            QString()),
            QVariantList())
    {
    }
};

QList<Plasma::QueryMatch> syntheticMatches(FakeRunner *runner, int count)
{
    static const QStringList categories{QStringLiteral("Applications"),
                                        QStringLiteral("Document"),
                                        QStringLiteral("Spreadsheet"),
                                        QStringLiteral("Image"),
                                        QStringLiteral("Audio"),
                                        QStringLiteral("Video"),
                                        QStringLiteral("Folder"),
                                        QStringLiteral("Help"),
                                        QStringLiteral("Calculator"),
                                        QStringLiteral("Bookmarks")};
    static const Plasma::QueryMatch::Type types[] = {Plasma::QueryMatch::ExactMatch,
                                                     Plasma::QueryMatch::PossibleMatch,
                                                     Plasma::QueryMatch::HelperMatch,
                                                     Plasma::QueryMatch::CompletionMatch};
    QList<Plasma::QueryMatch> matches;
    matches.reserve(count);
    // A fixed pseudo-random sequence keeps runs comparable.
    quint32 seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xffff;
    };
    for (int i = 0; i < count; ++i) {
        Plasma::QueryMatch match(runner);
        match.setMatchCategory(categories.at(i % categories.size()));
        // Some texts repeat, as the same file found twice would.
        match.setText(QStringLiteral("result %1").arg(next() % (count - count / 10 + 1)));
        match.setSubtext(QStringLiteral("/home/user/Documents/result-%1.txt").arg(i));
        match.setType(types[next() % 4]);
        match.setRelevance(next() / 65536.0);
        match.setIconName(i % 2 ? QStringLiteral("text-plain") : QString());
        match.setId(QString::number(i));
        matches.append(match);
    }
    return matches;
}

double medianMs(int repetitions, const std::function<void()> &prepare, const std::function<void()> &work)
{
    std::vector<qint64> samples;
    for (int i = 0; i < repetitions; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        samples.push_back(timer.nsecsElapsed());
    }
    std::sort(samples.begin(), samples.end());
    return samples.at(samples.size() / 2) / 1e6;
}

// Reads every row of a tree, as a consumer would; makes lazy proxies do their work.
int walk(const QAbstractItemModel *model, const QModelIndex &parent = QModelIndex())
{
    int rows = model->rowCount(parent);
    for (int row = 0, count = rows; row < count; ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (model->hasChildren(index)) {
            rows += walk(model, index);
        }
    }
    return rows;
}

volatile int s_sink = 0;

struct Figures {
    int matches = 0;
    int flatRows = 0;
    int unlimitedRows = 0;
    double runnerModel = 0;
    double withSort = 0;
    double withLimit = 0;
    double withFlatten = 0;
    double whole = 0;
    double wholeUnlimited = 0;
    double resort = 0;
    double refilter = 0;
    double reflatten = 0;
    double paint = 0;
    double paintWithoutDuplicates = 0;
    double paintUnlimited = 0;
    double paintUnlimitedWithoutDuplicates = 0;
};

// Asks for what a delegate reads to paint the first rows.
void paintRows(const QAbstractItemModel *model, bool duplicates)
{
    static const int roles[] = {Qt::DisplayRole, Qt::DecorationRole, Qt::FontRole, Qt::SizeHintRole, Qt::ForegroundRole, ResultsModel::IsCategoryRole};
    int touched = 0;
    for (int row = 0, rows = std::min(s_visibleRows, model->rowCount()); row < rows; ++row) {
        const QModelIndex index = model->index(row, 0);
        for (int role : roles) {
            touched += index.data(role).isValid();
        }
        if (duplicates) {
            touched += index.data(ResultsModel::DuplicateRole).toBool();
        }
    }
    s_sink = touched;
}

Figures measure(FakeRunner *runner, int count, int repetitions)
{
    Figures figures;
    figures.matches = count;
    const QList<Plasma::QueryMatch> matches = syntheticMatches(runner, count);
    const QList<Plasma::QueryMatch> other = syntheticMatches(runner, count / 2 + 1);
    const auto nothing = [] {};

    // The chain built by hand, one stage at a time, fed the way the panel's is.
    RunnerResultsModel source;
    SortProxyModel sort;
    sort.setDynamicSortFilter(true);
    sort.sort(0, Qt::DescendingOrder);
    CategoryDistributionProxyModel distribution;
    distribution.setLimit(s_limit);
    KDescendantsProxyModel flatten;

    // Each measured update replaces a different list, as a new keystroke does.
    const auto settle = [&] {
        source.onMatchesChanged(other);
    };

    figures.runnerModel = medianMs(repetitions, settle, [&] {
        source.onMatchesChanged(matches);
    });

    sort.setSourceModel(&source);
    figures.withSort = medianMs(repetitions, settle, [&] {
        source.onMatchesChanged(matches);
        s_sink = walk(&sort);
    });
    figures.resort = medianMs(repetitions, nothing, [&] {
        sort.invalidate();
        s_sink = walk(&sort);
    });

    distribution.setSourceModel(&sort);
    figures.withLimit = medianMs(repetitions, settle, [&] {
        source.onMatchesChanged(matches);
        s_sink = walk(&distribution);
    });
    figures.refilter = medianMs(repetitions, nothing, [&] {
        distribution.setLimit(distribution.limit() == s_limit ? s_limit + 1 : s_limit);
        s_sink = walk(&distribution);
    });
    distribution.setLimit(s_limit);

    flatten.setSourceModel(&distribution);
    figures.withFlatten = medianMs(repetitions, settle, [&] {
        source.onMatchesChanged(matches);
        s_sink = flatten.rowCount();
    });
    figures.reflatten = medianMs(
        repetitions,
        [&] {
            flatten.setSourceModel(nullptr);
        },
        [&] {
            flatten.setSourceModel(&distribution);
            s_sink = flatten.rowCount();
        });

    // The panel's own model, as the window holds it.
    ResultsModel results;
    auto *inner = results.findChild<RunnerResultsModel *>();
    const auto settleResults = [&] {
        inner->onMatchesChanged(other);
    };
    const auto updateResults = [&] {
        inner->onMatchesChanged(matches);
        s_sink = results.rowCount();
    };
    figures.wholeUnlimited = medianMs(repetitions, settleResults, updateResults);
    figures.unlimitedRows = results.rowCount();
    figures.paintUnlimited = medianMs(repetitions, nothing, [&] {
        paintRows(&results, true);
    });
    figures.paintUnlimitedWithoutDuplicates = medianMs(repetitions, nothing, [&] {
        paintRows(&results, false);
    });

    results.setLimit(s_limit);
    figures.whole = medianMs(repetitions, settleResults, updateResults);
    figures.flatRows = results.rowCount();
    figures.paint = medianMs(repetitions, nothing, [&] {
        paintRows(&results, true);
    });
    figures.paintWithoutDuplicates = medianMs(repetitions, nothing, [&] {
        paintRows(&results, false);
    });
    return figures;
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
    QSettings().clear();

    FakeRunner runner;
    std::vector<Figures> all;
    for (const int count : {100, 1000, 10000}) {
        all.push_back(measure(&runner, count, count >= 10000 ? 7 : 15));
    }

    std::printf("Results chain, synthetic matches over 10 categories; medians in ms\n");

    std::printf("\nOne runner update, with the chain built up to each stage (limit %d from \"+limit\" on)\n", s_limit);
    std::printf("%8s | %9s %9s %9s %9s | %9s %6s | %9s %6s\n", "matches", "runner", "+sort", "+limit", "+flatten", "whole", "rows", "no limit", "rows");
    for (const Figures &f : all) {
        std::printf("%8d | %9.3f %9.3f %9.3f %9.3f | %9.3f %6d | %9.3f %6d\n",
                    f.matches,
                    f.runnerModel,
                    f.withSort,
                    f.withLimit,
                    f.withFlatten,
                    f.whole,
                    f.flatRows,
                    f.wholeUnlimited,
                    f.unlimitedRows);
    }

    std::printf("\nOne stage redone alone on unchanged matches\n");
    std::printf("%8s | %9s %9s %9s\n", "matches", "sort", "limit", "flatten");
    for (const Figures &f : all) {
        std::printf("%8d | %9.3f %9.3f %9.3f\n", f.matches, f.resort, f.refilter, f.reflatten);
    }

    std::printf(
        "\nData a paint of the first %d rows asks for (display, decoration, font, size hint,\n"
        "foreground, is-category, and with or without the duplicate mark)\n",
        s_visibleRows);
    std::printf("%8s | %11s %11s | %11s %11s\n", "matches", "limit", "w/o dupl.", "no limit", "w/o dupl.");
    for (const Figures &f : all) {
        std::printf("%8d | %11.3f %11.3f | %11.3f %11.3f\n", f.matches, f.paint, f.paintWithoutDuplicates, f.paintUnlimited, f.paintUnlimitedWithoutDuplicates);
    }
    return 0;
}
