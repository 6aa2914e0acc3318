// SPDX-License-Identifier: GPL-2.0-or-later
#include "runnerresultsmodel.h"
#include "fakerunner.h"
#include "resultsmodel.h"
#include "themecolors.h"

#include <KPluginMetaData>
#include <KRunner/AbstractRunner>
#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QJsonObject>
#include <QLocale>
#include <QMimeData>
#include <QPixmap>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

namespace
{
// Reaches an index the model itself never hands out: one in column 1.
class ProbeModel : public RunnerResultsModel
{
public:
    using RunnerResultsModel::RunnerResultsModel;

    QModelIndex topLevelInColumn(int row, int column) const
    {
        return createIndex(row, column, quintptr(0));
    }
};

struct FakeMatch {
    QString category;
    QString text;
    int type;
    qreal relevance;
};
using FakeMatches = QVector<FakeMatch>;

const QString s_bestMatch = QStringLiteral("Best match");
const QString s_dimColor = QStringLiteral("#654321");

void writeIcon(const QString &path, const QColor &color)
{
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(color);
    QVERIFY(image.save(path, "PNG"));
}

QColor centreColor(const QPixmap &pixmap)
{
    const QImage image = pixmap.toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}
}

Q_DECLARE_METATYPE(FakeMatch)

class RunnerResultsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void queryString_data();
    void queryString();
    void launchedQueryFinishes();
    void emptyingStopsQuerying();
    void queryingSignalsOnlyChanges();

    void categoryFilter_data();
    void categoryFilter();
    void settingsReadOnEveryUpdate();

    void bestMatch_data();
    void bestMatch();
    void bestMatchCopiesStayInTheirCategories();
    void fuzzilyEqualRelevanceIsATie();

    void categoryRows_data();
    void categoryRows();
    void matchRows();
    void decoration_data();
    void decoration();
    void toolTip_data();
    void toolTip();

    void invalidIndexes();
    void flags();
    void mimeData();

private:
    Plasma::QueryMatch makeMatch(const FakeMatch &fake) const;
    void feed(const FakeMatches &fakes);
    void setIndexing(bool applications, bool documents, bool media);
    QModelIndex category(const QString &name) const;
    QStringList texts(const QModelIndex &category) const;
    QStringList categories() const;

    std::unique_ptr<FakeRunner> m_runner;
    std::unique_ptr<ProbeModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QTemporaryDir m_icons;
};

void RunnerResultsModelTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
    ThemeColors::instance()->setDimTextColor(s_dimColor);
    m_runner = std::make_unique<FakeRunner>();

    // A tiny icon theme: one known icon and the fallback.
    QVERIFY(m_icons.isValid());
    const QString theme = m_icons.path() + QStringLiteral("/nydtest");
    QVERIFY(QDir().mkpath(theme + QStringLiteral("/24x24/apps")));
    QFile index(theme + QStringLiteral("/index.theme"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=nydtest\nDirectories=24x24/apps\n\n[24x24/apps]\nSize=24\nType=Fixed\n");
    index.close();
    writeIcon(theme + QStringLiteral("/24x24/apps/nyd-known.png"), Qt::red);
    writeIcon(theme + QStringLiteral("/24x24/apps/system-run.png"), Qt::blue);
    QIcon::setThemeSearchPaths({m_icons.path()});
    QIcon::setThemeName(QStringLiteral("nydtest"));
}

void RunnerResultsModelTest::init()
{
    QSettings settings;
    settings.clear();
    settings.sync();
    m_model = std::make_unique<ProbeModel>();
    m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void RunnerResultsModelTest::cleanup()
{
    m_tester.reset();
    m_model.reset();
}

Plasma::QueryMatch RunnerResultsModelTest::makeMatch(const FakeMatch &fake) const
{
    Plasma::QueryMatch match(m_runner.get());
    match.setMatchCategory(fake.category);
    match.setText(fake.text);
    match.setType(Plasma::QueryMatch::Type(fake.type));
    match.setRelevance(fake.relevance);
    match.setId(fake.text);
    return match;
}

void RunnerResultsModelTest::feed(const FakeMatches &fakes)
{
    QList<Plasma::QueryMatch> matches;
    for (const FakeMatch &fake : fakes) {
        matches.append(makeMatch(fake));
    }
    m_model->onMatchesChanged(matches);
}

void RunnerResultsModelTest::setIndexing(bool applications, bool documents, bool media)
{
    QSettings settings;
    settings.setValue(QStringLiteral("indexApplications"), applications);
    settings.setValue(QStringLiteral("indexDocuments"), documents);
    settings.setValue(QStringLiteral("indexMedia"), media);
    settings.sync();
}

QModelIndex RunnerResultsModelTest::category(const QString &name) const
{
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        if (index.data().toString() == name) {
            return index;
        }
    }
    return {};
}

QStringList RunnerResultsModelTest::texts(const QModelIndex &category) const
{
    QStringList result;
    for (int row = 0; row < m_model->rowCount(category); ++row) {
        result.append(m_model->index(row, 0, category).data().toString());
    }
    return result;
}

QStringList RunnerResultsModelTest::categories() const
{
    QStringList result;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        result.append(m_model->index(row, 0).data().toString());
    }
    result.sort();
    return result;
}

void RunnerResultsModelTest::queryString_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("runner");
    QTest::addColumn<bool>("emits");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("launches");
    QTest::addColumn<bool>("clears");

    const QString none;
    const QString abc = QStringLiteral("abc");
    QTest::newRow("first query") << none << abc << none << true << abc << true << false;
    QTest::newRow("same query") << abc << abc << none << false << abc << false << false;
    QTest::newRow("same once trimmed") << abc << QStringLiteral("  abc ") << none << false << abc << false << false;
    QTest::newRow("new query kept untrimmed") << abc << QStringLiteral(" abd ") << none << true << QStringLiteral(" abd ") << true << false;
    QTest::newRow("same query, other runner") << abc << abc << QStringLiteral("nydother") << true << abc << true << false;
    QTest::newRow("blanks after a query") << abc << QStringLiteral("   ") << none << true << QStringLiteral("   ") << false << false;
    QTest::newRow("blanks on an empty query") << none << QStringLiteral("  ") << none << false << none << false << false;
    QTest::newRow("emptied") << abc << none << none << true << none << false << true;
}

void RunnerResultsModelTest::queryString()
{
    QFETCH(QString, before);
    QFETCH(QString, query);
    QFETCH(QString, runner);
    QFETCH(bool, emits);
    QFETCH(QString, stored);
    QFETCH(bool, launches);
    QFETCH(bool, clears);

    Plasma::RunnerManager *manager = m_model->runnerManager();
    if (!before.isEmpty()) {
        m_model->setQueryString(before, QString());
        QTRY_VERIFY(!m_model->querying());
    }
    feed({{QStringLiteral("Calculator"), QStringLiteral("42"), Plasma::QueryMatch::ExactMatch, 1.0}});
    const int rows = m_model->rowCount();
    QCOMPARE(rows, 2);

    QSignalSpy changed(m_model.get(), &RunnerResultsModel::queryStringChanged);
    QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
    m_model->setQueryString(query, runner);

    QCOMPARE(changed.count(), emits ? 1 : 0);
    if (emits) {
        QCOMPARE(changed.first().first().toString(), query);
    }
    QCOMPARE(m_model->queryString(), stored);
    QCOMPARE(m_model->querying(), launches);
    QCOMPARE(querying.count(), launches ? 1 : 0);
    // The manager drops a query for a runner it cannot load.
    if (launches && runner.isEmpty()) {
        QCOMPARE(manager->query(), query.trimmed());
    }
    // The manager may announce its own empty list first.
    QCOMPARE(reset.count() > 0, clears);
    QCOMPARE(m_model->rowCount(), clears ? 0 : rows);
    if (clears) {
        QVERIFY(manager->query().isEmpty());
    }
}

void RunnerResultsModelTest::launchedQueryFinishes()
{
    QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
    m_model->setQueryString(QStringLiteral("report"), QString());
    QVERIFY(m_model->querying());
    QCOMPARE(querying.count(), 1);

    // No runner is loaded, so the manager reports the end on its own.
    QTRY_COMPARE(querying.count(), 2);
    QVERIFY(!m_model->querying());
}

void RunnerResultsModelTest::emptyingStopsQuerying()
{
    m_model->setQueryString(QStringLiteral("report"), QString());
    QTRY_VERIFY(!m_model->querying());
    // Still busy as far as the model knows, with nothing left for the manager to finish.
    m_model->setQuerying(true);

    QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
    m_model->setQueryString(QString(), QString());
    QVERIFY(!m_model->querying());
    QCOMPARE(querying.count(), 1);
    QVERIFY(m_model->runnerManager()->query().isEmpty());
}

void RunnerResultsModelTest::queryingSignalsOnlyChanges()
{
    QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
    m_model->setQuerying(false);
    QCOMPARE(querying.count(), 0);
    m_model->setQuerying(true);
    m_model->setQuerying(true);
    QCOMPARE(querying.count(), 1);
    QVERIFY(m_model->querying());
    m_model->setQuerying(false);
    QCOMPARE(querying.count(), 2);
    QVERIFY(!m_model->querying());
}

void RunnerResultsModelTest::categoryFilter_data()
{
    QTest::addColumn<bool>("applications");
    QTest::addColumn<bool>("documents");
    QTest::addColumn<bool>("media");
    QTest::addColumn<QStringList>("dropped");

    const QStringList documents{QStringLiteral("Archive"),
                                QStringLiteral("Document"),
                                QStringLiteral("Presentation"),
                                QStringLiteral("Spreadsheet"),
                                QStringLiteral("Text")};
    const QStringList media{QStringLiteral("Audio"), QStringLiteral("Image"), QStringLiteral("Video")};
    QTest::newRow("everything indexed") << true << true << true << QStringList();
    QTest::newRow("no applications") << false << true << true << QStringList{QStringLiteral("Applications")};
    QTest::newRow("no documents") << true << false << true << documents;
    QTest::newRow("no media") << true << true << false << media;
    QTest::newRow("nothing indexed") << false << false << false << QStringList{QStringLiteral("Applications")} + documents + media;
}

void RunnerResultsModelTest::categoryFilter()
{
    QFETCH(bool, applications);
    QFETCH(bool, documents);
    QFETCH(bool, media);
    QFETCH(QStringList, dropped);

    const QStringList all{
        QStringLiteral("Applications"),
        QStringLiteral("Archive"),
        QStringLiteral("Audio"),
        QStringLiteral("Bookmarks"),
        QStringLiteral("Calculator"),
        QStringLiteral("Document"),
        QStringLiteral("Help"),
        QStringLiteral("Image"),
        QStringLiteral("Presentation"),
        QStringLiteral("Spreadsheet"),
        QStringLiteral("Text"),
        QStringLiteral("Video"),
        // Only the exact names are known.
        QStringLiteral("audio"),
    };
    FakeMatches fakes;
    for (const QString &name : all) {
        // The categories that may go are the strongest, so they would reach "Best match".
        const bool droppable =
            name != QLatin1String("Bookmarks") && name != QLatin1String("Calculator") && name != QLatin1String("Help") && name != QLatin1String("audio");
        fakes.append({name, name + QStringLiteral(" match"), droppable ? Plasma::QueryMatch::ExactMatch : Plasma::QueryMatch::PossibleMatch, 0.5});
    }

    setIndexing(applications, documents, media);
    QSignalSpy changed(m_model.get(), &RunnerResultsModel::matchesChanged);
    feed(fakes);
    QCOMPARE(changed.count(), 1);

    QStringList expected = all;
    for (const QString &name : dropped) {
        expected.removeOne(name);
    }
    expected.append(s_bestMatch);
    expected.sort();
    QCOMPARE(categories(), expected);

    const QModelIndex best = category(s_bestMatch);
    QCOMPARE(m_model->rowCount(best), 3);
    for (int row = 0; row < 3; ++row) {
        const QString from = m_model->index(row, 0, best).data(ResultsModel::CategoryRole).toString();
        QVERIFY2(!dropped.contains(from), qPrintable(from));
    }
}

void RunnerResultsModelTest::settingsReadOnEveryUpdate()
{
    const FakeMatches fakes{{QStringLiteral("Applications"), QStringLiteral("Editor"), Plasma::QueryMatch::ExactMatch, 0.9},
                            {QStringLiteral("Image"), QStringLiteral("photo.png"), Plasma::QueryMatch::PossibleMatch, 0.5}};
    feed(fakes);
    QVERIFY(category(QStringLiteral("Applications")).isValid());

    setIndexing(false, true, false);
    feed(fakes);
    QCOMPARE(categories(), QStringList());

    setIndexing(true, true, false);
    feed(fakes);
    QCOMPARE(categories(), (QStringList{QStringLiteral("Applications"), s_bestMatch}));

    // Everything filtered out: an empty tree, still announced.
    setIndexing(false, true, false);
    QSignalSpy changed(m_model.get(), &RunnerResultsModel::matchesChanged);
    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
    feed(fakes);
    QCOMPARE(m_model->rowCount(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(reset.count(), 1);
}

void RunnerResultsModelTest::bestMatch_data()
{
    QTest::addColumn<FakeMatches>("matches");
    QTest::addColumn<QStringList>("best");

    const QString calc = QStringLiteral("Calculator");
    const QString doc = QStringLiteral("Document");
    const QString help = QStringLiteral("Help");
    const int exact = Plasma::QueryMatch::ExactMatch;
    const int helper = Plasma::QueryMatch::HelperMatch;
    const int possible = Plasma::QueryMatch::PossibleMatch;
    const int completion = Plasma::QueryMatch::CompletionMatch;

    QTest::newRow("three strongest, strongest first") << FakeMatches{{calc, QStringLiteral("a"), possible, 0.2},
                                                                     {calc, QStringLiteral("b"), possible, 0.9},
                                                                     {doc, QStringLiteral("c"), possible, 0.5},
                                                                     {doc, QStringLiteral("d"), possible, 0.7},
                                                                     {calc, QStringLiteral("e"), possible, 0.1}}
                                                      << QStringList{QStringLiteral("b"), QStringLiteral("d"), QStringLiteral("c")};
    QTest::newRow("type before relevance") << FakeMatches{{calc, QStringLiteral("a"), exact, 0.1},
                                                          {doc, QStringLiteral("b"), possible, 0.99},
                                                          {calc, QStringLiteral("c"), helper, 0.5},
                                                          {doc, QStringLiteral("d"), completion, 1.0}}
                                           << QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")};
    QTest::newRow("fewer than three") << FakeMatches{{calc, QStringLiteral("a"), possible, 0.2}, {doc, QStringLiteral("b"), possible, 0.8}}
                                      << QStringList{QStringLiteral("b"), QStringLiteral("a")};
    QTest::newRow("a single match") << FakeMatches{{doc, QStringLiteral("a"), possible, 0.2}} << QStringList{QStringLiteral("a")};
    QTest::newRow("help takes the third place") << FakeMatches{{calc, QStringLiteral("a"), exact, 0.9},
                                                               {calc, QStringLiteral("b"), exact, 0.8},
                                                               {doc, QStringLiteral("c"), exact, 0.7},
                                                               {help, QStringLiteral("h"), completion, 0.1}}
                                                << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("h")};
    QTest::newRow("the first help delivered, not the strongest") << FakeMatches{{calc, QStringLiteral("a"), exact, 0.9},
                                                                                {help, QStringLiteral("h1"), completion, 0.1},
                                                                                {calc, QStringLiteral("b"), exact, 0.8},
                                                                                {help, QStringLiteral("h2"), possible, 0.6},
                                                                                {doc, QStringLiteral("c"), exact, 0.7}}
                                                                 << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("h1")};
    QTest::newRow("help already first") << FakeMatches{{calc, QStringLiteral("a"), exact, 0.9},
                                                       {calc, QStringLiteral("b"), exact, 0.8},
                                                       {doc, QStringLiteral("c"), exact, 0.7},
                                                       {help, QStringLiteral("h"), exact, 0.95}}
                                        << QStringList{QStringLiteral("h"), QStringLiteral("a"), QStringLiteral("b")};
    QTest::newRow("help already second") << FakeMatches{{calc, QStringLiteral("a"), exact, 0.9},
                                                        {help, QStringLiteral("h"), exact, 0.8},
                                                        {calc, QStringLiteral("b"), exact, 0.7},
                                                        {doc, QStringLiteral("c"), exact, 0.6}}
                                         << QStringList{QStringLiteral("a"), QStringLiteral("h"), QStringLiteral("b")};
    QTest::newRow("help only") << FakeMatches{{help, QStringLiteral("h1"), possible, 0.3}, {help, QStringLiteral("h2"), possible, 0.6}}
                               << QStringList{QStringLiteral("h2"), QStringLiteral("h1")};
}

void RunnerResultsModelTest::bestMatch()
{
    QFETCH(FakeMatches, matches);
    QFETCH(QStringList, best);

    feed(matches);
    QCOMPARE(texts(category(s_bestMatch)), best);
}

void RunnerResultsModelTest::bestMatchCopiesStayInTheirCategories()
{
    feed({{QStringLiteral("Calculator"), QStringLiteral("a"), Plasma::QueryMatch::ExactMatch, 0.9},
          {QStringLiteral("Calculator"), QStringLiteral("b"), Plasma::QueryMatch::PossibleMatch, 0.8},
          {QStringLiteral("Document"), QStringLiteral("c"), Plasma::QueryMatch::ExactMatch, 0.7},
          {QStringLiteral("Document"), QStringLiteral("d"), Plasma::QueryMatch::PossibleMatch, 0.1}});

    QCOMPARE(categories(), (QStringList{s_bestMatch, QStringLiteral("Calculator"), QStringLiteral("Document")}));
    QCOMPARE(texts(category(QStringLiteral("Calculator"))), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(texts(category(QStringLiteral("Document"))), (QStringList{QStringLiteral("c"), QStringLiteral("d")}));
    const QModelIndex best = category(s_bestMatch);
    QCOMPARE(texts(best), (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
    // A copy still tells where it came from.
    QCOMPARE(m_model->index(1, 0, best).data(ResultsModel::CategoryRole).toString(), QStringLiteral("Document"));
}

void RunnerResultsModelTest::fuzzilyEqualRelevanceIsATie()
{
    const auto bestFor = [this](qreal first) {
        feed({{QStringLiteral("Calculator"), QStringLiteral("a"), Plasma::QueryMatch::PossibleMatch, first},
              {QStringLiteral("Calculator"), QStringLiteral("b"), Plasma::QueryMatch::PossibleMatch, 0.5},
              {QStringLiteral("Calculator"), QStringLiteral("c"), Plasma::QueryMatch::PossibleMatch, 0.1},
              {QStringLiteral("Calculator"), QStringLiteral("d"), Plasma::QueryMatch::PossibleMatch, 0.05}});
        return texts(category(s_bestMatch));
    };
    const QStringList tie = bestFor(0.5);
    QCOMPARE(tie.size(), 3);
    QCOMPARE(tie.last(), QStringLiteral("c"));
    QCOMPARE(bestFor(0.5 + 1e-14), tie);
    // A real difference still counts.
    QCOMPARE(bestFor(0.6), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
}

void RunnerResultsModelTest::categoryRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<qreal>("relevance");

    QTest::newRow("best match") << s_bestMatch << 100000 << 100000.95;
    QTest::newRow("applications") << QStringLiteral("Applications") << 10000 << 10000.4;
    QTest::newRow("strongest type, strongest relevance") << QStringLiteral("Calculator") << int(Plasma::QueryMatch::HelperMatch) << 0.7;
    QTest::newRow("single match") << QStringLiteral("Document") << int(Plasma::QueryMatch::ExactMatch) << 0.95;
}

void RunnerResultsModelTest::categoryRows()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(qreal, relevance);

    feed({{QStringLiteral("Applications"), QStringLiteral("Editor"), Plasma::QueryMatch::PossibleMatch, 0.4},
          {QStringLiteral("Applications"), QStringLiteral("Viewer"), Plasma::QueryMatch::ExactMatch, 0.2},
          {QStringLiteral("Calculator"), QStringLiteral("1"), Plasma::QueryMatch::CompletionMatch, 0.7},
          {QStringLiteral("Calculator"), QStringLiteral("2"), Plasma::QueryMatch::HelperMatch, 0.3},
          {QStringLiteral("Document"), QStringLiteral("notes.txt"), Plasma::QueryMatch::ExactMatch, 0.95}});

    const QModelIndex index = category(name);
    QVERIFY(index.isValid());
    QCOMPARE(index.data(ResultsModel::TypeRole).toInt(), type);
    QCOMPARE(index.data(ResultsModel::RelevanceRole).toReal(), relevance);
    QCOMPARE(index.data(ResultsModel::IsCategoryRole).toBool(), true);
    QCOMPARE(index.data(Qt::FontRole).value<QFont>().pixelSize(), 16);
    QCOMPARE(index.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignVCenter));
    QCOMPARE(index.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(s_dimColor));
    QCOMPARE(index.data(Qt::SizeHintRole).toSize(), QSize(0, 42));
    QVERIFY(!index.parent().isValid());
}

void RunnerResultsModelTest::matchRows()
{
    Plasma::QueryMatch match(m_runner.get());
    match.setMatchCategory(QStringLiteral("Calculator"));
    match.setText(QStringLiteral("6 * 7"));
    match.setSubtext(QStringLiteral("Copy the result"));
    match.setType(Plasma::QueryMatch::HelperMatch);
    match.setRelevance(0.625);
    match.setId(QStringLiteral("answer"));
    match.setData(QStringLiteral("42"));
    match.setEnabled(false);
    match.setMultiLine(true);
    m_model->onMatchesChanged({match});

    const QModelIndex parent = category(QStringLiteral("Calculator"));
    QCOMPARE(m_model->rowCount(parent), 1);
    const QModelIndex index = m_model->index(0, 0, parent);
    QCOMPARE(index.parent(), parent);
    QCOMPARE(index.data(Qt::DisplayRole).toString(), QStringLiteral("6 * 7"));
    QCOMPARE(index.data(ResultsModel::IdRole).toString(), match.id());
    QVERIFY(match.id().endsWith(QLatin1String("answer")));
    QCOMPARE(index.data(ResultsModel::TypeRole).toInt(), int(Plasma::QueryMatch::HelperMatch));
    QCOMPARE(index.data(ResultsModel::RelevanceRole).toReal(), 0.625);
    QCOMPARE(index.data(ResultsModel::EnabledRole).toBool(), false);
    QCOMPARE(index.data(ResultsModel::CategoryRole).toString(), QStringLiteral("Calculator"));
    QCOMPARE(index.data(ResultsModel::SubtextRole).toString(), QStringLiteral("Copy the result"));
    QCOMPARE(index.data(ResultsModel::MultiLineRole).toBool(), true);
    QCOMPARE(index.data(ResultsModel::IsCategoryRole).toBool(), false);
    QCOMPARE(index.data(ResultsModel::DataRole).toString(), QStringLiteral("42"));
    QCOMPARE(index.data(Qt::FontRole).value<QFont>().pixelSize(), 16);
    QCOMPARE(index.data(Qt::SizeHintRole).toSize(), QSize(0, 42));
    QVERIFY(!index.data(ResultsModel::DuplicateRole).isValid());
    QVERIFY(!index.data(ResultsModel::ActionsRole).isValid());

    // The same match, enabled and single-line, says so.
    match.setEnabled(true);
    match.setMultiLine(false);
    m_model->onMatchesChanged({match});
    const QModelIndex again = m_model->index(0, 0, category(QStringLiteral("Calculator")));
    QCOMPARE(again.data(ResultsModel::EnabledRole).toBool(), true);
    QCOMPARE(again.data(ResultsModel::MultiLineRole).toBool(), false);
}

void RunnerResultsModelTest::decoration_data()
{
    QTest::addColumn<QString>("iconName");
    QTest::addColumn<int>("valueType");
    QTest::addColumn<QColor>("color");

    QTest::newRow("no icon name: the match's icon") << QString() << int(QMetaType::QIcon) << QColor(Qt::green);
    QTest::newRow("icon name from the theme") << QStringLiteral("nyd-known") << int(QMetaType::QPixmap) << QColor(Qt::red);
    QTest::newRow("unknown icon name: the fallback") << QStringLiteral("nyd-unknown") << int(QMetaType::QPixmap) << QColor(Qt::blue);
}

void RunnerResultsModelTest::decoration()
{
    QFETCH(QString, iconName);
    QFETCH(int, valueType);
    QFETCH(QColor, color);

    QPixmap green(16, 16);
    green.fill(Qt::green);
    const QIcon icon(green);
    Plasma::QueryMatch match(m_runner.get());
    match.setMatchCategory(QStringLiteral("Calculator"));
    match.setText(QStringLiteral("x"));
    match.setIcon(icon);
    match.setIconName(iconName);
    m_model->onMatchesChanged({match});

    const QVariant decoration = m_model->index(0, 0, category(QStringLiteral("Calculator"))).data(Qt::DecorationRole);
    QCOMPARE(decoration.userType(), valueType);
    if (valueType == QMetaType::QIcon) {
        QCOMPARE(decoration.value<QIcon>().cacheKey(), icon.cacheKey());
        return;
    }
    const QPixmap pixmap = decoration.value<QPixmap>();
    QCOMPARE(pixmap.size(), QSize(24, 24));
    QCOMPARE(centreColor(pixmap), color);
}

void RunnerResultsModelTest::toolTip_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("subtext");
    QTest::addColumn<bool>("table");

    // %1 is a scratch folder that holds report.txt, the current folder meanwhile.
    QTest::newRow("existing file") << QStringLiteral("Document") << QStringLiteral("%1/report.txt") << true;
    QTest::newRow("existing folder") << QStringLiteral("Folder") << QStringLiteral("%1") << true;
    QTest::newRow("help, even for a file") << QStringLiteral("Help") << QStringLiteral("%1/report.txt") << false;
    QTest::newRow("missing file") << QStringLiteral("Document") << QStringLiteral("%1/missing.txt") << false;
    QTest::newRow("relative path of a file") << QStringLiteral("Document") << QStringLiteral("report.txt") << false;
    QTest::newRow("application description") << QStringLiteral("Applications") << QStringLiteral("Web Browser") << false;
    QTest::newRow("no subtext") << QStringLiteral("Calculator") << QString() << false;
}

void RunnerResultsModelTest::toolTip()
{
    QFETCH(QString, category);
    QFETCH(QString, subtext);
    QFETCH(bool, table);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("report.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(QByteArray(1234, 'x')), qint64(1234));
    file.close();
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&previous] {
        QDir::setCurrent(previous);
    });
    if (subtext.contains(QLatin1String("%1"))) {
        subtext = subtext.arg(dir.path());
    }

    Plasma::QueryMatch match(m_runner.get());
    match.setMatchCategory(category);
    match.setText(QStringLiteral("x"));
    match.setSubtext(subtext);
    m_model->onMatchesChanged({match});
    const QString toolTip = m_model->index(0, 0, this->category(category)).data(Qt::ToolTipRole).toString();

    if (!table) {
        QCOMPARE(toolTip, QStringLiteral("<p>") + subtext + QStringLiteral("</p>"));
        return;
    }
    const QFileInfo info(subtext);
    QVERIFY2(toolTip.startsWith(QLatin1String("<table")), qPrintable(toolTip));
    const QString cell = QStringLiteral("<td align='left'>%1</td>");
    QVERIFY2(toolTip.contains(cell.arg(info.fileName())), qPrintable(toolTip));
    QVERIFY2(toolTip.contains(cell.arg(subtext)), qPrintable(toolTip));
    QVERIFY2(toolTip.contains(cell.arg(QLocale().formattedDataSize(info.size(), 2, QLocale::DataSizeTraditionalFormat))), qPrintable(toolTip));
    for (const QString &label : {QStringLiteral("Name:"),
                                 QStringLiteral("Path:"),
                                 QStringLiteral("Size:"),
                                 QStringLiteral("Opened:"),
                                 QStringLiteral("Created:"),
                                 QStringLiteral("Modified:")}) {
        QVERIFY2(toolTip.contains(label), qPrintable(label));
    }
}

void RunnerResultsModelTest::invalidIndexes()
{
    feed({{QStringLiteral("Calculator"), QStringLiteral("a"), Plasma::QueryMatch::ExactMatch, 0.9},
          {QStringLiteral("Calculator"), QStringLiteral("b"), Plasma::QueryMatch::ExactMatch, 0.8}});
    QCOMPARE(m_model->rowCount(), 2);
    const QModelIndex parent = category(QStringLiteral("Calculator"));
    QCOMPARE(m_model->rowCount(parent), 2);
    const QModelIndex child = m_model->index(0, 0, parent);
    QVERIFY(child.isValid());

    QVERIFY(!m_model->index(-1, 0).isValid());
    QVERIFY(!m_model->index(0, 1).isValid());
    QVERIFY(!m_model->index(0, -1).isValid());
    QVERIFY(!m_model->index(2, 0).isValid());
    QVERIFY(!m_model->index(-1, 0, parent).isValid());
    QVERIFY(!m_model->index(0, 1, parent).isValid());
    QVERIFY(!m_model->index(2, 0, parent).isValid());
    QVERIFY(!m_model->index(0, 0, child).isValid());
    QCOMPARE(m_model->rowCount(child), 0);
    QVERIFY(!m_model->parent(QModelIndex()).isValid());
    QVERIFY(!m_model->parent(parent).isValid());
    QCOMPARE(m_model->parent(child), parent);

    const QModelIndex secondColumn = m_model->topLevelInColumn(parent.row(), 1);
    QCOMPARE(m_model->rowCount(secondColumn), 0);
    QVERIFY(!m_model->index(0, 0, secondColumn).isValid());
}

void RunnerResultsModelTest::flags()
{
    feed({{QStringLiteral("Calculator"), QStringLiteral("a"), Plasma::QueryMatch::ExactMatch, 0.9}});
    const QModelIndex parent = category(QStringLiteral("Calculator"));
    QCOMPARE(m_model->flags(parent), Qt::NoItemFlags);
    QCOMPARE(m_model->flags(category(s_bestMatch)), Qt::NoItemFlags);
    QCOMPARE(m_model->flags(m_model->index(0, 0, parent)), Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
}

void RunnerResultsModelTest::mimeData()
{
    QCOMPARE(m_model->mimeTypes(), QStringList{QStringLiteral("text/uri-list")});

    const QUrl first = QUrl::fromLocalFile(QStringLiteral("/tmp/first.txt"));
    const QUrl second = QUrl::fromLocalFile(QStringLiteral("/tmp/second.txt"));
    QList<Plasma::QueryMatch> matches;
    for (const QUrl &url : {first, second}) {
        Plasma::QueryMatch match(m_runner.get());
        match.setMatchCategory(QStringLiteral("Document"));
        match.setText(url.fileName());
        match.setRelevance(url == first ? 0.9 : 0.1);
        match.setData(url);
        match.setUrls({url});
        matches.append(match);
    }
    m_model->onMatchesChanged(matches);
    const QModelIndex parent = category(QStringLiteral("Document"));
    const QModelIndex firstIndex = m_model->index(0, 0, parent);
    const QModelIndex secondIndex = m_model->index(1, 0, parent);
    QCOMPARE(secondIndex.data().toString(), QStringLiteral("second.txt"));

    QVERIFY(!m_model->mimeData({}));
    const std::unique_ptr<QMimeData> both(m_model->mimeData({firstIndex, secondIndex}));
    QVERIFY(both);
    QVERIFY(both->hasFormat(QStringLiteral("text/uri-list")));
    QCOMPARE(both->urls(), QList<QUrl>{first});
    const std::unique_ptr<QMimeData> reversed(m_model->mimeData({secondIndex, firstIndex}));
    QVERIFY(reversed);
    QCOMPARE(reversed->urls(), QList<QUrl>{second});
}

QTEST_MAIN(RunnerResultsModelTest)

#include "runnerresultsmodeltest.moc"
