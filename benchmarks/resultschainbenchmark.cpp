// SPDX-License-Identifier: GPL-2.0-or-later
// What one runner update costs the panel's results chain (sorting, limits per
// category, duplicate marks, flattening), beside the runner model alone that
// only takes the matches in. Synthetic matches; runs inside scripts/session.sh.

#include "fakerunner.h"
#include "resultsmodel.h"
#include "runnerresultsmodel.h"
#include "samples.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>

namespace
{
// The panel's own limit per category.
constexpr int s_limit = 60;

QList<Plasma::QueryMatch> syntheticMatches(FakeRunner *runner, int count)
{
    static const QStringList categories =
        QStringLiteral("Applications Document Spreadsheet Image Audio Video Folder Help Text Archive").split(QLatin1Char(' '));
    static const Plasma::QueryMatch::Type types[] = {Plasma::QueryMatch::ExactMatch,
                                                     Plasma::QueryMatch::PossibleMatch,
                                                     Plasma::QueryMatch::HelperMatch,
                                                     Plasma::QueryMatch::CompletionMatch};
    QList<Plasma::QueryMatch> matches;
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
        match.setId(QString::number(i));
        matches.append(match);
    }
    return matches;
}

// Each timed update replaces a different list, as a new keystroke does.
Samples timeUpdates(RunnerResultsModel *runnerModel, const QAbstractItemModel *shown, const QList<Plasma::QueryMatch> &matches, int runs)
{
    const QList<Plasma::QueryMatch> other = matches.mid(0, matches.size() / 2 + 1);
    Samples samples;
    for (int run = -1; run < runs; ++run) {
        runnerModel->onMatchesChanged(other);
        QElapsedTimer timer;
        timer.start();
        runnerModel->onMatchesChanged(matches);
        // Lazy proxies do their work when asked.
        const volatile int rows = shown->rowCount();
        Q_UNUSED(rows)
        if (run >= 0) {
            samples.push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    return samples;
}
}

int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Counted updates of each size (at least 10)."), QStringLiteral("count"), QStringLiteral("15")});
    parser.process(application);
    const int runs = std::max(10, parser.value(QStringLiteral("runs")).toInt());

    FakeRunner runner;
    printTableHeader("Results chain, one runner update of synthetic matches in 10 categories, ms");
    for (const int count : {100, 1000, 10000}) {
        const QList<Plasma::QueryMatch> matches = syntheticMatches(&runner, count);
        RunnerResultsModel alone;
        const Samples floor = timeUpdates(&alone, &alone, matches, runs);
        // The panel's own model, as the window holds it.
        ResultsModel results;
        results.setLimit(s_limit);
        const Samples figure = timeUpdates(results.findChild<RunnerResultsModel *>(), &results, matches, runs);
        const QByteArray label = QByteArray::number(count) + " matches, through the whole chain";
        printTarget(label.constData(), figure, "the runner model alone taking them in", floor, QByteArrayLiteral("no target set"));
    }
    return 0;
}
