// SPDX-License-Identifier: GPL-2.0-or-later
// Keystroke to shown results in the panel, with its real runners over a real
// file index, beside the index's own command line search on the same words.
// Prints figures only. Run it through benchmarks/searchbenchmark.sh.
//
//   nyd-search-bench --generate FOLDER [--files N]    writes the corpus and its manifest
//   nyd-search-bench --measure FOLDER [--runs N] [--key-delay MS] [--settle MS]

#include "commandserver.h"
#include "mainwindow.h"
#include "nydcore.h"
#include "resultsmodel.h"

#include <Baloo/Query>
#include <KFileMetaData/TypeInfo>
#include <KRunner/RunnerManager>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStackedWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace
{
// The panel's runners and the file its runner manager reads.
const QStringList s_runners{QStringLiteral("nydservices"), QStringLiteral("nydbaloosearch"), QStringLiteral("nydhelp")};
const QString s_runnerConfigFile = QStringLiteral("/usr/share/nyd-search/krunnerrc");

const QString s_commonWord = QStringLiteral("meadow");
const QString s_rareWord = QStringLiteral("zephyrous");
const QString s_nameWord = QStringLiteral("lantern");
const QString s_namePrefix = QStringLiteral("lante");
// Rare words and the number of files holding each; only the first is searched.
const QList<QPair<QString, int>> s_rareWords{{s_rareWord, 2}, {QStringLiteral("quixotic"), 1}, {QStringLiteral("xylophant"), 3}};

// Letters that the filler vocabulary never puts side by side keep the
// searched words from being prefixes of filler words and the other way round.
const QString s_consonants = QStringLiteral("bdfgklmnprstvz");
const QString s_vowels = QStringLiteral("aeiou");
constexpr int s_fillerWords = 600;
constexpr int s_timeoutMs = 30000;

const QStringList s_nameWords{
    QStringLiteral("report"),  QStringLiteral("invoice"), QStringLiteral("lantern"), QStringLiteral("budget"),   QStringLiteral("meeting"),
    QStringLiteral("draft"),   QStringLiteral("holiday"), QStringLiteral("summary"), QStringLiteral("letter"),   QStringLiteral("contract"),
    QStringLiteral("recipe"),  QStringLiteral("journal"), QStringLiteral("garden"),  QStringLiteral("travel"),   QStringLiteral("project"),
    QStringLiteral("minutes"), QStringLiteral("plan"),    QStringLiteral("receipt"), QStringLiteral("schedule"), QStringLiteral("thesis"),
    QStringLiteral("poster"),  QStringLiteral("backup"),  QStringLiteral("sketch"),  QStringLiteral("manual"),   QStringLiteral("survey"),
};
const QStringList s_topics{
    QStringLiteral("work"),    QStringLiteral("home"),      QStringLiteral("school"),   QStringLiteral("music"),  QStringLiteral("photos"),
    QStringLiteral("papers"),  QStringLiteral("archive"),   QStringLiteral("inbox"),    QStringLiteral("shared"), QStringLiteral("personal"),
    QStringLiteral("clients"), QStringLiteral("finance"),   QStringLiteral("research"), QStringLiteral("media"),  QStringLiteral("misc"),
    QStringLiteral("old"),     QStringLiteral("downloads"), QStringLiteral("family"),   QStringLiteral("club"),   QStringLiteral("office"),
};

struct Extension {
    const char *suffix;
    int weight;
    bool text;
};
const Extension s_extensions[] = {
    {"txt", 45, true},
    {"md", 15, true},
    {"csv", 15, true},
    {"html", 8, true},
    {"json", 5, true},
    {"png", 12, false},
};

// Seeded, so every run writes the same corpus.
class Random
{
public:
    explicit Random(quint64 seed)
        : m_state(seed)
    {
    }
    quint64 next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1DULL;
    }
    int below(int bound)
    {
        return int(next() % quint64(bound));
    }
    double unit()
    {
        return double(next() >> 11) / double(1ULL << 53);
    }

private:
    quint64 m_state;
};

void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString manifestPath(const QString &corpus)
{
    return QFileInfo(corpus).absolutePath() + QStringLiteral("/searchbenchmark-corpus.ini");
}

QByteArray pngStub()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QStringList fillerVocabulary(Random &random)
{
    QStringList words;
    QSet<QString> seen;
    while (words.size() < s_fillerWords) {
        QString word;
        for (int syllables = 2 + random.below(3); syllables > 0; --syllables) {
            word += s_consonants.at(random.below(s_consonants.size()));
            word += s_vowels.at(random.below(s_vowels.size()));
        }
        if (!seen.contains(word)) {
            seen.insert(word);
            words << word;
        }
    }
    return words;
}

QString fillerWord(const QStringList &vocabulary, Random &random)
{
    // Skewed, as real text is: a few words everywhere, most of them seldom.
    return vocabulary.at(std::min(int(std::pow(random.unit(), 2.5) * vocabulary.size()), vocabulary.size() - 1));
}

QByteArray fileContents(const QString &suffix, QStringList words, Random &random)
{
    const auto phrase = [&](int count) {
        QStringList part;
        for (int i = 0; i < count && !words.isEmpty(); ++i) {
            part << words.takeFirst();
        }
        return part.join(QLatin1Char(' '));
    };
    QString text;
    if (suffix == QLatin1String("csv")) {
        text = QStringLiteral("name,amount,note\n");
        while (!words.isEmpty()) {
            text += QStringLiteral("%1,%2,%3\n").arg(phrase(1)).arg(random.below(10000)).arg(phrase(3));
        }
    } else if (suffix == QLatin1String("md")) {
        text = QStringLiteral("# %1\n\n").arg(phrase(3));
        while (!words.isEmpty()) {
            text += random.below(3) == 0 ? QStringLiteral("- %1\n").arg(phrase(5)) : QStringLiteral("%1.\n\n").arg(phrase(12));
        }
    } else if (suffix == QLatin1String("html")) {
        text = QStringLiteral("<html><head><title>%1</title></head><body>\n").arg(phrase(3));
        while (!words.isEmpty()) {
            text += QStringLiteral("<p>%1</p>\n").arg(phrase(12));
        }
        text += QStringLiteral("</body></html>\n");
    } else if (suffix == QLatin1String("json")) {
        text = QStringLiteral("{\n  \"title\": \"%1\",\n  \"notes\": [\n").arg(phrase(3));
        QStringList notes;
        while (!words.isEmpty()) {
            notes << QStringLiteral("    \"%1\"").arg(phrase(10));
        }
        text += notes.join(QStringLiteral(",\n")) + QStringLiteral("\n  ]\n}\n");
    } else {
        while (!words.isEmpty()) {
            text += phrase(8 + random.below(8)) + QLatin1Char('\n');
        }
    }
    return text.toUtf8();
}

int generate(const QString &corpus, int fileCount)
{
    Random random(20240601);
    const QStringList vocabulary = fillerVocabulary(random);
    if (QFileInfo::exists(corpus)) {
        print(QStringLiteral("%1 exists already; not writing over it\n").arg(corpus));
        return 1;
    }

    // Two or three levels of folders, all made before the indexer starts.
    QStringList leaves;
    for (const QString &topic : s_topics) {
        for (int year = 2015; year <= 2024; ++year) {
            const QString folder = QStringLiteral("%1/%2/%3").arg(corpus, topic).arg(year);
            leaves << folder << folder + QStringLiteral("/spring") << folder + QStringLiteral("/autumn");
        }
    }
    for (const QString &leaf : std::as_const(leaves)) {
        if (!QDir().mkpath(leaf)) {
            print(QStringLiteral("cannot make %1\n").arg(leaf));
            return 1;
        }
    }

    int totalWeight = 0;
    for (const Extension &extension : s_extensions) {
        totalWeight += extension.weight;
    }
    struct Planned {
        QString path;
        QString suffix;
        bool text;
    };
    std::vector<Planned> planned;
    planned.reserve(size_t(fileCount));
    std::vector<int> textFiles;
    QHash<QString, int> perSuffix;
    int nameHits = 0;
    for (int i = 0; i < fileCount; ++i) {
        int pick = random.below(totalWeight);
        const Extension *extension = s_extensions;
        while (pick >= extension->weight) {
            pick -= extension->weight;
            ++extension;
        }
        const QString suffix = QLatin1String(extension->suffix);
        const QString nameWord = s_nameWords.at(random.below(s_nameWords.size()));
        nameHits += nameWord == s_nameWord;
        const QString name = QStringLiteral("%1-%2-%3.%4").arg(nameWord, fillerWord(vocabulary, random)).arg(i, 5, 10, QLatin1Char('0')).arg(suffix);
        planned.push_back({leaves.at(random.below(leaves.size())) + QLatin1Char('/') + name, suffix, extension->text});
        ++perSuffix[suffix];
        if (extension->text) {
            textFiles.push_back(i);
        }
    }

    QHash<int, QStringList> rareIn;
    for (const auto &[word, count] : s_rareWords) {
        for (int placed = 0; placed < count;) {
            const int file = textFiles.at(size_t(random.below(int(textFiles.size()))));
            if (!rareIn.contains(file)) {
                rareIn[file] << word;
                ++placed;
            }
        }
    }

    // A share of the text files that makes the common word hit about 30% of all files.
    const double commonShare = 0.30 * fileCount / std::max<size_t>(1, textFiles.size());
    const QByteArray png = pngStub();
    int commonHits = 0;
    QHash<QString, int> commonPerSuffix;
    qint64 bytes = 0;
    for (size_t i = 0; i < planned.size(); ++i) {
        const Planned &file = planned[i];
        QByteArray contents = png;
        if (file.text) {
            QStringList words;
            const int count = 20 + int(std::pow(random.unit(), 2) * 180);
            for (int w = 0; w < count; ++w) {
                words << fillerWord(vocabulary, random);
            }
            if (random.unit() < commonShare) {
                words.insert(random.below(words.size()), s_commonWord);
                ++commonHits;
                ++commonPerSuffix[file.suffix];
            }
            for (const QString &word : rareIn.value(int(i))) {
                words.insert(random.below(words.size()), word);
            }
            contents = fileContents(file.suffix, words, random);
        }
        QFile out(file.path);
        if (!out.open(QIODevice::WriteOnly) || out.write(contents) != contents.size()) {
            print(QStringLiteral("cannot write %1\n").arg(file.path));
            return 1;
        }
        bytes += contents.size();
    }

    QSettings manifest(manifestPath(corpus), QSettings::IniFormat);
    manifest.setValue(QStringLiteral("files"), fileCount);
    manifest.setValue(QStringLiteral("folders"), leaves.size() + s_topics.size());
    manifest.setValue(QStringLiteral("bytes"), bytes);
    manifest.setValue(QStringLiteral("hits/") + s_commonWord, commonHits);
    manifest.setValue(QStringLiteral("hits/") + s_rareWord, s_rareWords.first().second);
    manifest.setValue(QStringLiteral("hits/") + s_namePrefix, nameHits);
    for (auto it = perSuffix.cbegin(); it != perSuffix.cend(); ++it) {
        manifest.setValue(QStringLiteral("suffix/") + it.key(), it.value());
        manifest.setValue(QStringLiteral("common/") + it.key(), commonPerSuffix.value(it.key()));
    }
    manifest.sync();

    QStringList suffixes;
    for (const Extension &extension : s_extensions) {
        suffixes << QStringLiteral("%1 .%2").arg(perSuffix.value(QLatin1String(extension.suffix))).arg(QLatin1String(extension.suffix));
    }
    print(QStringLiteral("corpus: %1 files (%2), %3 KiB in %4 folders\n")
              .arg(fileCount)
              .arg(suffixes.join(QStringLiteral(", ")))
              .arg(bytes / 1024)
              .arg(manifest.value(QStringLiteral("folders")).toInt()));
    print(QStringLiteral("  \"%1\" in the text of %2 files (%3%), \"%4\" in %5, \"%6\" starts %7 file names\n")
              .arg(s_commonWord)
              .arg(commonHits)
              .arg(100.0 * commonHits / fileCount, 0, 'f', 1)
              .arg(s_rareWord)
              .arg(s_rareWords.first().second)
              .arg(s_nameWord)
              .arg(nameHits));
    return 0;
}

struct Stats {
    std::vector<double> values;
    int failures = 0;

    void add(std::optional<double> value)
    {
        if (value) {
            values.push_back(*value);
        } else {
            ++failures;
        }
    }
    double median() const
    {
        if (values.empty()) {
            return NAN;
        }
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const size_t middle = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
    }
    double min() const
    {
        return values.empty() ? NAN : *std::min_element(values.cbegin(), values.cend());
    }
    double max() const
    {
        return values.empty() ? NAN : *std::max_element(values.cbegin(), values.cend());
    }
};

// QTest's waits sleep 10 ms between rounds of events, which would show in every figure.
void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

double msSince(const QElapsedTimer &clock, qint64 start)
{
    return (clock.nsecsElapsed() - start) / 1e6;
}

// What one query through the panel window took, from the last keystroke.
struct PanelSample {
    std::optional<double> firstRows;
    std::optional<double> shown;
    std::optional<double> paintBegins;
    std::optional<double> painted;
    int rows = 0;
};

class PanelProbe : public QObject
{
public:
    explicit PanelProbe(MainWindow *window)
        : m_window(window)
        , m_edit(window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery")))
        , m_list(window->findChild<QListView *>(QStringLiteral("listViewSearchResults")))
        , m_pages(window->findChild<QStackedWidget *>(QStringLiteral("stackedWidgetResults")))
        , m_model(qobject_cast<ResultsModel *>(m_list->model()))
    {
        const auto rowsArrived = [this] {
            if (m_armed && !m_sample.firstRows && m_model->rowCount() > 0 && m_model->queryString() == m_query) {
                m_sample.firstRows = msSince(m_clock, m_start);
            }
        };
        connect(m_model, &QAbstractItemModel::modelReset, this, rowsArrived);
        connect(m_model, &QAbstractItemModel::rowsInserted, this, rowsArrived);
        connect(m_model, &QAbstractItemModel::layoutChanged, this, rowsArrived);
        // Connected after the window's own handler, so the list page and the selection are set by now.
        connect(m_model, &ResultsModel::queryingChanged, this, [this] {
            if (!m_armed || m_finished || m_model->querying() || m_model->queryString() != m_query) {
                return;
            }
            m_finished = true;
            m_sample.rows = m_model->rowCount();
            const bool listShown = m_pages->currentWidget() == m_window->findChild<QWidget *>(QStringLiteral("pageSearchResults"));
            if (m_sample.rows > 0 && listShown && m_list->currentIndex().row() == 1) {
                m_sample.shown = msSince(m_clock, m_start);
            }
            if (m_sample.shown) {
                // A list that does not change on the last update may not paint again.
                m_noPaint.start();
            } else {
                quitWhenDone();
            }
        });
        m_list->viewport()->installEventFilter(this);
        m_noPaint.setSingleShot(true);
        m_noPaint.setInterval(1000);
        connect(&m_noPaint, &QTimer::timeout, this, [this] {
            if (m_loop) {
                m_loop->quit();
            }
        });
        m_clock.start();
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The paint runs after this filter; the zero timer fires once it and the flush are done.
        if (event->type() == QEvent::Paint && m_armed && m_sample.shown && !m_paintPending && !m_sample.painted) {
            m_paintPending = true;
            m_sample.paintBegins = msSince(m_clock, m_start);
            QTimer::singleShot(0, this, [this] {
                m_sample.painted = msSince(m_clock, m_start);
                quitWhenDone();
            });
        }
        return QObject::eventFilter(watched, event);
    }

    void clear(int settleMs)
    {
        m_armed = false;
        m_window->clearQuery();
        spin(settleMs);
    }

    PanelSample typed(const QString &query, int keyDelayMs)
    {
        m_edit->setFocus(Qt::OtherFocusReason);
        for (int i = 0; i + 1 < query.size(); ++i) {
            QTest::keyClick(m_edit, query.at(i).toLatin1());
            spin(keyDelayMs);
        }
        arm(query);
        QTest::keyClick(m_edit, query.back().toLatin1());
        return await();
    }

    PanelSample pasted(const QString &query)
    {
        m_edit->setFocus(Qt::OtherFocusReason);
        arm(query);
        m_edit->setText(query);
        m_window->onQueryEdited();
        return await();
    }

private:
    void arm(const QString &query)
    {
        m_query = query;
        m_sample = {};
        m_finished = false;
        m_paintPending = false;
        m_armed = true;
        m_start = m_clock.nsecsElapsed();
    }

    bool done() const
    {
        return m_finished && (m_sample.painted || !m_sample.shown);
    }

    void quitWhenDone()
    {
        if (m_loop && done()) {
            m_loop->quit();
        }
    }

    PanelSample await()
    {
        QEventLoop loop;
        QTimer::singleShot(s_timeoutMs, &loop, &QEventLoop::quit);
        if (!done()) {
            m_loop = &loop;
            loop.exec();
            m_loop = nullptr;
        }
        m_noPaint.stop();
        m_armed = false;
        return m_sample;
    }

    MainWindow *m_window;
    QLineEdit *m_edit;
    QListView *m_list;
    QStackedWidget *m_pages;
    ResultsModel *m_model;
    QElapsedTimer m_clock;
    qint64 m_start = 0;
    QTimer m_noPaint;
    QEventLoop *m_loop = nullptr;
    QString m_query;
    PanelSample m_sample;
    bool m_armed = false;
    bool m_finished = false;
    bool m_paintPending = false;
};

struct ManagerSample {
    std::optional<double> firstMatches;
    std::optional<double> finished;
    int matches = 0;
};

ManagerSample launchAndWait(Plasma::RunnerManager &manager, const QString &query, const QString &runner = QString())
{
    ManagerSample sample;
    QElapsedTimer clock;
    QEventLoop loop;
    bool done = false;
    const QMetaObject::Connection matches = QObject::connect(&manager, &Plasma::RunnerManager::matchesChanged, [&](const QList<Plasma::QueryMatch> &list) {
        if (!list.isEmpty() && !sample.firstMatches) {
            sample.firstMatches = clock.nsecsElapsed() / 1e6;
        }
        sample.matches = list.size();
    });
    const QMetaObject::Connection finished = QObject::connect(&manager, &Plasma::RunnerManager::queryFinished, [&] {
        if (!done) {
            sample.finished = clock.nsecsElapsed() / 1e6;
            done = true;
            loop.quit();
        }
    });
    QTimer::singleShot(s_timeoutMs, &loop, &QEventLoop::quit);
    clock.start();
    manager.launchQuery(query, runner);
    if (!done) {
        loop.exec();
    }
    QObject::disconnect(matches);
    QObject::disconnect(finished);
    if (sample.matches == 0 && runner.isEmpty()) {
        sample.finished.reset();
    }
    return sample;
}

// The same runners behind a runner manager of their own: no models, no window.
// A new match session starts the runners first; typing keeps one open.
ManagerSample runManager(Plasma::RunnerManager &manager, const QString &query, bool sessionOpen)
{
    if (sessionOpen) {
        launchAndWait(manager, query.chopped(1));
    }
    const ManagerSample sample = launchAndWait(manager, query);
    manager.reset();
    manager.matchSessionComplete();
    return sample;
}

// One runner at a time, to tell which of them the time goes to.
ManagerSample runOneRunner(Plasma::RunnerManager &manager, const QString &query, const QString &runner)
{
    const ManagerSample sample = launchAndWait(manager, query, runner);
    manager.reset();
    manager.matchSessionComplete();
    return sample;
}

int runBalooQuery(const QString &word, const QString &type, uint limit)
{
    Baloo::Query query;
    query.setSearchString(word);
    if (!type.isEmpty()) {
        query.setType(type);
    }
    if (limit > 0) {
        query.setLimit(limit);
    }
    Baloo::ResultIterator results = query.exec();
    int count = 0;
    while (results.next()) {
        count += !results.filePath().isEmpty();
    }
    return count;
}

// As the file runner asks: one query per kind of file, each with a small limit.
int runTypedQueries(const QString &word)
{
    namespace Types = KFileMetaData::Type;
    const Types::Type types[] =
        {Types::Folder, Types::Spreadsheet, Types::Presentation, Types::Audio, Types::Video, Types::Image, Types::Archive, Types::Document, Types::Text};
    int count = 0;
    for (const Types::Type type : types) {
        count += runBalooQuery(word, KFileMetaData::TypeInfo(type).name(), 20);
    }
    return count + runBalooQuery(word, QString(), 50);
}

struct CliSample {
    std::optional<double> wall;
    std::optional<double> ownElapsed;
    int hits = 0;
};

CliSample runCli(const QString &word)
{
    static const QRegularExpression elapsed(QStringLiteral("^Elapsed: ([0-9.]+) msecs"), QRegularExpression::MultilineOption);
    CliSample sample;
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral("baloosearch"), {word});
    if (!process.waitForFinished(s_timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return sample;
    }
    sample.wall = clock.nsecsElapsed() / 1e6;
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    // It reports its own time on the error channel.
    const QRegularExpressionMatch match = elapsed.match(QString::fromUtf8(process.readAllStandardError()) + output);
    if (match.hasMatch()) {
        sample.ownElapsed = match.captured(1).toDouble();
    }
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    sample.hits = int(std::count_if(lines.cbegin(), lines.cend(), [](const QString &line) {
        return line.startsWith(QLatin1Char('/'));
    }));
    return sample;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("?");
    }
    return QString::fromLatin1(file.readAll()).section(QLatin1Char(' '), 0, 2);
}

struct QueryKind {
    QString label;
    QString word;
    QString what;
};

struct KindFigures {
    Stats typedFirst, typedShown, typedPaintBegins, typedPainted, pastedFirst, pastedShown, pastedPaintBegins, pastedPainted;
    Stats managerFirst, managerFinished, managerOpenFirst, managerOpenFinished;
    Stats runnerFinished[3];
    int runnerMatches[3] = {};
    Stats indexAll, indexTyped;
    Stats cliWall, cliOwn;
    int panelRows = 0;
    int managerMatches = 0;
    int indexHits = 0;
    int indexTypedHits = 0;
    int cliHits = 0;
};

QString figure(double value)
{
    return std::isnan(value) ? QStringLiteral("-") : QString::number(value, 'f', 1);
}

void printRow(const QString &layer, const QString &measure, const Stats &stats, const QString &extra = QString())
{
    QString failed;
    if (stats.failures > 0) {
        failed = QStringLiteral("  (%1 of %2 without results)").arg(stats.failures).arg(stats.failures + int(stats.values.size()));
    }
    print(QStringLiteral("  %1 %2 %3 %4 %5  %6%7\n")
              .arg(layer, -24)
              .arg(measure, -30)
              .arg(figure(stats.median()), 9)
              .arg(figure(stats.min()), 9)
              .arg(figure(stats.max()), 9)
              .arg(extra, failed));
}

int measure(const QString &corpus, int runs, int keyDelayMs, int settleMs)
{
    const QSettings manifest(manifestPath(corpus), QSettings::IniFormat);
    const QList<QueryKind> kinds{
        {QStringLiteral("rare word"), s_rareWord, QStringLiteral("in the text of %1 files").arg(manifest.value(QStringLiteral("hits/") + s_rareWord).toInt())},
        {QStringLiteral("common word"),
         s_commonWord,
         QStringLiteral("in the text of %1 files").arg(manifest.value(QStringLiteral("hits/") + s_commonWord).toInt())},
        {QStringLiteral("file name prefix"),
         s_namePrefix,
         QStringLiteral("starts %1 file names").arg(manifest.value(QStringLiteral("hits/") + s_namePrefix).toInt())},
    };

    const QString loadBefore = loadAverage();
    print(QStringLiteral("\nWhat the index finds (one query, all results, in this process):\n"));
    for (const QueryKind &kind : kinds) {
        const int hits = runBalooQuery(kind.word, QString(), 0);
        print(QStringLiteral("  %1 \"%2\": %3 written, %4 found\n").arg(kind.label, -17).arg(kind.word).arg(kind.what).arg(hits));
    }

    // Text the content extractors skip is found by name only.
    QHash<QString, int> foundPerSuffix;
    {
        Baloo::Query query;
        query.setSearchString(s_commonWord);
        Baloo::ResultIterator results = query.exec();
        while (results.next()) {
            ++foundPerSuffix[QFileInfo(results.filePath()).suffix()];
        }
    }
    QStringList perSuffix;
    for (const Extension &extension : s_extensions) {
        const QString suffix = QLatin1String(extension.suffix);
        perSuffix << QStringLiteral(".%1 %2/%3").arg(suffix).arg(foundPerSuffix.value(suffix)).arg(manifest.value(QStringLiteral("common/") + suffix).toInt());
    }
    print(QStringLiteral("  \"%1\" found/written by type: %2\n").arg(s_commonWord, perSuffix.join(QStringLiteral(", "))));

    // The panel as it starts: theme, placement above a 40 px bottom taskbar, shown.
    MainWindow window(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
    CommandServer server(&window, nullptr);
    server.processArguments({QCoreApplication::applicationFilePath(), QStringLiteral("-p"), QStringLiteral("2"), QStringLiteral("-s"), QStringLiteral("40")});
    if (!QTest::qWaitForWindowExposed(&window)) {
        print(QStringLiteral("the panel window was not shown\n"));
        return 1;
    }
    PanelProbe panel(&window);

    Plasma::RunnerManager manager(s_runnerConfigFile);
    manager.setAllowedRunners(s_runners);

    QVector<KindFigures> figures(kinds.size());
    // Round 0 warms up caches, plugins and the index's pages; it is not counted.
    for (int round = 0; round <= runs; ++round) {
        print(round == 0 ? QStringLiteral("\nwarming up") : QStringLiteral(" %1").arg(round));
        for (int k = 0; k < kinds.size(); ++k) {
            const QString &word = kinds.at(k).word;
            KindFigures &f = figures[k];
            const bool counted = round > 0;

            const CliSample cli = runCli(word);
            QElapsedTimer clock;
            clock.start();
            const int all = runBalooQuery(word, QString(), 0);
            const double allMs = clock.nsecsElapsed() / 1e6;
            clock.restart();
            const int typedHits = runTypedQueries(word);
            const double typedMs = clock.nsecsElapsed() / 1e6;
            spin(settleMs);
            const ManagerSample alone = runManager(manager, word, false);
            spin(settleMs);
            const ManagerSample aloneOpen = runManager(manager, word, true);
            spin(settleMs);
            std::vector<ManagerSample> perRunner;
            for (const QString &runner : s_runners) {
                perRunner.push_back(runOneRunner(manager, word, runner));
                spin(settleMs);
            }

            panel.clear(settleMs);
            const PanelSample pasted = panel.pasted(word);
            panel.clear(settleMs);
            const PanelSample typed = panel.typed(word, keyDelayMs);
            panel.clear(settleMs);

            if (!counted) {
                continue;
            }
            f.cliWall.add(cli.wall);
            f.cliOwn.add(cli.ownElapsed);
            f.cliHits = cli.hits;
            f.indexAll.add(allMs);
            f.indexHits = all;
            f.indexTyped.add(typedMs);
            f.indexTypedHits = typedHits;
            f.managerFirst.add(alone.firstMatches);
            f.managerFinished.add(alone.finished);
            f.managerMatches = alone.matches;
            f.managerOpenFirst.add(aloneOpen.firstMatches);
            f.managerOpenFinished.add(aloneOpen.finished);
            for (size_t r = 0; r < perRunner.size(); ++r) {
                f.runnerFinished[r].add(perRunner[r].finished);
                f.runnerMatches[r] = perRunner[r].matches;
            }
            f.pastedFirst.add(pasted.firstRows);
            f.pastedShown.add(pasted.shown);
            f.pastedPaintBegins.add(pasted.paintBegins);
            f.pastedPainted.add(pasted.painted);
            f.typedFirst.add(typed.firstRows);
            f.typedShown.add(typed.shown);
            f.typedPaintBegins.add(typed.paintBegins);
            f.typedPainted.add(typed.painted);
            f.panelRows = std::max(typed.rows, pasted.rows);
        }
    }
    print(QStringLiteral("\n"));

    print(QStringLiteral("\nKeystroke to shown results: %1 runs each after one warm-up, times in ms (wall clock)\n").arg(runs));
    print(QStringLiteral("  panel: the query line gets the last key (typed at %1 ms a key, so earlier prefixes ran)\n"
                         "         or the whole text at once (pasted); \"first rows\" is the first model update with rows\n"
                         "         for the query, \"shown\" the query finished with the list page up and row 1 selected,\n"
                         "         \"list paint begins\" and \"painted\" the list's next paint after that, its start and its end\n")
              .arg(keyDelayMs));
    print(
        QStringLiteral("  runner manager alone: the panel's three runners, launchQuery to queryFinished, no models;\n"
                       "         each query in a new match session, or (session already open) right after the\n"
                       "         query without its last letter, as typing leaves it; or with one runner only\n"
                       "  index in-process: Baloo::Query with all results, and the file runner's ten typed queries\n"
                       "  baloosearch: the command line program, start to exit, and the time it reports itself\n"));
    const QString header = QStringLiteral("  %1 %2 %3 %4 %5  %6\n")
                               .arg(QString(), -24)
                               .arg(QString(), -30)
                               .arg(QStringLiteral("median"), 9)
                               .arg(QStringLiteral("min"), 9)
                               .arg(QStringLiteral("max"), 9)
                               .arg(QStringLiteral("rows / hits"));
    for (int k = 0; k < kinds.size(); ++k) {
        const QueryKind &kind = kinds.at(k);
        const KindFigures &f = figures.at(k);
        print(QStringLiteral("\n%1 \"%2\" (%3)\n").arg(kind.label, kind.word, kind.what));
        print(header);
        const QString rows = QStringLiteral("%1 rows").arg(f.panelRows);
        printRow(QStringLiteral("panel, typed"), QStringLiteral("first rows"), f.typedFirst);
        printRow(QString(), QStringLiteral("shown"), f.typedShown, rows);
        printRow(QString(), QStringLiteral("list paint begins"), f.typedPaintBegins);
        printRow(QString(), QStringLiteral("painted"), f.typedPainted);
        printRow(QStringLiteral("panel, pasted"), QStringLiteral("first rows"), f.pastedFirst);
        printRow(QString(), QStringLiteral("shown"), f.pastedShown, rows);
        printRow(QString(), QStringLiteral("list paint begins"), f.pastedPaintBegins);
        printRow(QString(), QStringLiteral("painted"), f.pastedPainted);
        printRow(QStringLiteral("runner manager alone"), QStringLiteral("first matches"), f.managerFirst);
        printRow(QString(), QStringLiteral("finished"), f.managerFinished, QStringLiteral("%1 matches").arg(f.managerMatches));
        printRow(QStringLiteral("  session already open"), QStringLiteral("first matches"), f.managerOpenFirst);
        printRow(QString(), QStringLiteral("finished"), f.managerOpenFinished);
        for (int r = 0; r < s_runners.size(); ++r) {
            printRow(r == 0 ? QStringLiteral("  one runner only") : QString(),
                     QStringLiteral("%1 finished").arg(s_runners.at(r)),
                     f.runnerFinished[r],
                     QStringLiteral("%1 matches").arg(f.runnerMatches[r]));
        }
        printRow(QStringLiteral("index in-process"), QStringLiteral("one query, all results"), f.indexAll, QStringLiteral("%1 hits").arg(f.indexHits));
        printRow(QString(), QStringLiteral("the runner's 10 typed queries"), f.indexTyped, QStringLiteral("%1 hits, some twice").arg(f.indexTypedHits));
        printRow(QStringLiteral("baloosearch"), QStringLiteral("process, start to exit"), f.cliWall, QStringLiteral("%1 hits").arg(f.cliHits));
        printRow(QString(), QStringLiteral("its own \"Elapsed\""), f.cliOwn);
    }

    print(QStringLiteral("\nPanel (query finished, results shown) / baloosearch process, medians:\n"));
    print(QStringLiteral("  %1 %2 %3 %4\n")
              .arg(QString(), -36)
              .arg(QStringLiteral("typed"), 8)
              .arg(QStringLiteral("pasted"), 8)
              .arg(QStringLiteral("baloosearch ms"), 15));
    for (int k = 0; k < kinds.size(); ++k) {
        const KindFigures &f = figures.at(k);
        const double cli = f.cliWall.median();
        print(QStringLiteral("  %1 %2 %3 %4\n")
                  .arg(QStringLiteral("%1 \"%2\"").arg(kinds.at(k).label, kinds.at(k).word), -36)
                  .arg(QStringLiteral("%1x").arg(f.typedShown.median() / cli, 0, 'f', 2), 8)
                  .arg(QStringLiteral("%1x").arg(f.pastedShown.median() / cli, 0, 'f', 2), 8)
                  .arg(figure(cli), 15));
    }
    print(QStringLiteral("\nload average (1, 5, 15 min): %1 before, %2 after; %3 CPUs\n").arg(loadBefore, loadAverage()).arg(QThread::idealThreadCount()));
    return 0;
}

int usage()
{
    print(
        QStringLiteral("usage: nyd-search-bench --generate FOLDER [--files N]\n"
                       "       nyd-search-bench --measure FOLDER [--runs N] [--key-delay MS] [--settle MS]\n"));
    return 2;
}
}

int main(int argc, char *argv[])
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i) {
            list << QString::fromLocal8Bit(argv[i]);
        }
        return list;
    }();
    const auto option = [&arguments](const QString &name, int fallback) {
        const int at = arguments.indexOf(name);
        return at > 0 && at + 1 < arguments.size() ? arguments.at(at + 1).toInt() : fallback;
    };

    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--generate")) {
        QCoreApplication application(argc, argv);
        return generate(QDir(arguments.at(2)).absolutePath(), option(QStringLiteral("--files"), 20000));
    }
    if (arguments.size() < 3 || arguments.at(1) != QLatin1String("--measure")) {
        return usage();
    }

    // The panel's name, so its settings are read from where the panel reads them.
    QCoreApplication::setApplicationName(QStringLiteral("nyd-search-panel"));
    QApplication application(argc, argv);
    nydInit(nullptr, nullptr);
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const int runs = std::max(1, option(QStringLiteral("--runs"), 10));
    return measure(QDir(arguments.at(2)).absolutePath(), runs, option(QStringLiteral("--key-delay"), 100), option(QStringLiteral("--settle"), 300));
}
