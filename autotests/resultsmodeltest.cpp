// SPDX-License-Identifier: GPL-2.0-or-later
#include "resultsmodel.h"
#include "fakerunner.h"
#include "categorydistributionproxymodel.h"
#include "duplicatedetectorproxymodel.h"
#include "runnerresultsmodel.h"
#include "sortproxymodel.h"

#include <KDescendantsProxyModel>
#include <KPluginMetaData>
#include <KRunner/AbstractRunner>
#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTest>

#include <memory>
#include <vector>

namespace
{
struct FakeMatch {
    QString category;
    QString text;
    int type;
    qreal relevance;
};
using FakeMatches = QVector<FakeMatch>;

constexpr int s_exact = Plasma::QueryMatch::ExactMatch;
constexpr int s_possible = Plasma::QueryMatch::PossibleMatch;
constexpr int s_completion = Plasma::QueryMatch::CompletionMatch;

// A tree of categories "c0", "c1", ... holding the given numbers of rows.
void fillTree(QStandardItemModel *model, const QVector<int> &sizes)
{
    for (int category = 0; category < sizes.size(); ++category) {
        auto *item = new QStandardItem(QStringLiteral("c%1").arg(category));
        for (int row = 0; row < sizes.at(category); ++row) {
            item->appendRow(new QStandardItem(QStringLiteral("c%1/%2").arg(category).arg(row)));
        }
        model->appendRow(item);
    }
}

QVector<int> visibleSizes(const QAbstractItemModel *model)
{
    QVector<int> sizes;
    for (int row = 0; row < model->rowCount(); ++row) {
        sizes.append(model->rowCount(model->index(row, 0)));
    }
    return sizes;
}
}

Q_DECLARE_METATYPE(FakeMatch)

class ResultsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void roles_data();
    void roles();

    void sortOrder_data();
    void sortOrder();

    void distribution_data();
    void distribution();
    void distributionFollowsEarlierCategories();
    void limitOnTheChain();

    void duplicates_data();
    void duplicates();
    void duplicatesAmongVisibleRowsOnly();

    void consecutiveUpdates();
    void rolesAndClear();
    void runner();
    void queryForwarding();

private:
    void feed(const FakeMatches &fakes);
    QStringList flatList() const;

    std::unique_ptr<FakeRunner> m_runner;
    std::unique_ptr<ResultsModel> m_model;
    RunnerResultsModel *m_source = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> m_testers;
};

void ResultsModelTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
    m_runner = std::make_unique<FakeRunner>();
}

void ResultsModelTest::init()
{
    QSettings settings;
    settings.clear();
    settings.sync();

    m_model = std::make_unique<ResultsModel>();
    auto *duplicates = qobject_cast<DuplicateDetectorProxyModel *>(m_model->sourceModel());
    QVERIFY(duplicates);
    auto *flatten = qobject_cast<KDescendantsProxyModel *>(duplicates->sourceModel());
    QVERIFY(flatten);
    auto *distribution = qobject_cast<CategoryDistributionProxyModel *>(flatten->sourceModel());
    QVERIFY(distribution);
    auto *sort = qobject_cast<SortProxyModel *>(distribution->sourceModel());
    QVERIFY(sort);
    m_source = qobject_cast<RunnerResultsModel *>(sort->sourceModel());
    QVERIFY(m_source);

    const QList<QAbstractItemModel *> stages{m_source, sort, distribution, flatten, duplicates, m_model.get()};
    for (QAbstractItemModel *stage : stages) {
        m_testers.push_back(std::make_unique<QAbstractItemModelTester>(stage, QAbstractItemModelTester::FailureReportingMode::QtTest));
    }
}

void ResultsModelTest::cleanup()
{
    m_testers.clear();
    m_model.reset();
    m_source = nullptr;
}

void ResultsModelTest::feed(const FakeMatches &fakes)
{
    QList<Plasma::QueryMatch> matches;
    for (const FakeMatch &fake : fakes) {
        Plasma::QueryMatch match(m_runner.get());
        match.setMatchCategory(fake.category);
        match.setText(fake.text);
        match.setType(Plasma::QueryMatch::Type(fake.type));
        match.setRelevance(fake.relevance);
        matches.append(match);
    }
    m_source->onMatchesChanged(matches);
}

// Category rows in brackets, a star after a row marked as a duplicate.
QStringList ResultsModelTest::flatList() const
{
    QStringList rows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QModelIndex index = m_model->index(row, 0);
        QString text = index.data().toString();
        if (index.data(ResultsModel::IsCategoryRole).toBool()) {
            text = QLatin1Char('[') + text + QLatin1Char(']');
        }
        if (index.data(ResultsModel::DuplicateRole).toBool()) {
            text += QLatin1Char('*');
        }
        rows.append(text);
    }
    return rows;
}

void ResultsModelTest::roles_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("name");

    QTest::newRow("display") << int(Qt::DisplayRole) << 0 << QByteArrayLiteral("display");
    QTest::newRow("decoration") << int(Qt::DecorationRole) << 1 << QByteArrayLiteral("decoration");
    QTest::newRow("id") << int(ResultsModel::IdRole) << 257 << QByteArrayLiteral("matchId");
    QTest::newRow("type") << int(ResultsModel::TypeRole) << 258 << QByteArrayLiteral("type");
    QTest::newRow("relevance") << int(ResultsModel::RelevanceRole) << 259 << QByteArrayLiteral("relevance");
    QTest::newRow("enabled") << int(ResultsModel::EnabledRole) << 260 << QByteArrayLiteral("enabled");
    QTest::newRow("category") << int(ResultsModel::CategoryRole) << 261 << QByteArrayLiteral("category");
    QTest::newRow("subtext") << int(ResultsModel::SubtextRole) << 262 << QByteArrayLiteral("subtext");
    QTest::newRow("duplicate") << int(ResultsModel::DuplicateRole) << 263 << QByteArrayLiteral("isDuplicate");
    QTest::newRow("actions") << int(ResultsModel::ActionsRole) << 264 << QByteArrayLiteral("actions");
    QTest::newRow("multi-line") << int(ResultsModel::MultiLineRole) << 265 << QByteArrayLiteral("multiLine");
    QTest::newRow("is category, unnamed") << int(ResultsModel::IsCategoryRole) << 266 << QByteArray();
    QTest::newRow("data, unnamed") << int(ResultsModel::DataRole) << 267 << QByteArray();
}

void ResultsModelTest::roles()
{
    QFETCH(int, role);
    QFETCH(int, value);
    QFETCH(QByteArray, name);

    QCOMPARE(role, value);
    const QHash<int, QByteArray> names = m_model->roleNames();
    QCOMPARE(names.contains(role), !name.isEmpty());
    QCOMPARE(names.value(role), name);
}

void ResultsModelTest::sortOrder_data()
{
    QTest::addColumn<FakeMatches>("matches");
    QTest::addColumn<QStringList>("rows");

    const QString apps = QStringLiteral("Applications");
    const QString calc = QStringLiteral("Calculator");
    const QString doc = QStringLiteral("Document");
    const QString files = QStringLiteral("Files");

    QTest::newRow("best match, applications, then by type and relevance") << FakeMatches{{apps, QStringLiteral("Editor"), s_completion, 0.1},
                                                                                         {calc, QStringLiteral("42"), s_exact, 0.2},
                                                                                         {doc, QStringLiteral("notes"), s_possible, 0.9},
                                                                                         {QStringLiteral("Bookmarks"), QStringLiteral("site"), s_possible, 0.5}}
                                                                          << QStringList{QStringLiteral("[Best match]"),
                                                                                         QStringLiteral("42*"),
                                                                                         QStringLiteral("notes*"),
                                                                                         QStringLiteral("site*"),
                                                                                         QStringLiteral("[Applications]"),
                                                                                         QStringLiteral("Editor"),
                                                                                         QStringLiteral("[Calculator]"),
                                                                                         QStringLiteral("42*"),
                                                                                         QStringLiteral("[Document]"),
                                                                                         QStringLiteral("notes*"),
                                                                                         QStringLiteral("[Bookmarks]"),
                                                                                         QStringLiteral("site*")};
    QTest::newRow("matches by type, relevance, then text, case-sensitive") << FakeMatches{{files, QStringLiteral("low"), s_possible, 0.9},
                                                                                          {files, QStringLiteral("B"), s_completion, 0.5},
                                                                                          {files, QStringLiteral("high"), s_exact, 0.1},
                                                                                          {files, QStringLiteral("a"), s_completion, 0.5},
                                                                                          {files, QStringLiteral("mid"), s_possible, 0.95},
                                                                                          {files, QStringLiteral("b"), s_completion, 0.5}}
                                                                           << QStringList{QStringLiteral("[Best match]"),
                                                                                          QStringLiteral("high*"),
                                                                                          QStringLiteral("mid*"),
                                                                                          QStringLiteral("low*"),
                                                                                          QStringLiteral("[Files]"),
                                                                                          QStringLiteral("high*"),
                                                                                          QStringLiteral("mid*"),
                                                                                          QStringLiteral("low*"),
                                                                                          QStringLiteral("b"),
                                                                                          QStringLiteral("a"),
                                                                                          QStringLiteral("B")};
    QTest::newRow("fuzzily equal relevance falls back to the text") << FakeMatches{{calc, QStringLiteral("a"), s_possible, 0.5 + 1e-14},
                                                                                   {calc, QStringLiteral("b"), s_possible, 0.5},
                                                                                   {doc, QStringLiteral("c"), s_possible, 0.4}}
                                                                    << QStringList{QStringLiteral("[Best match]"),
                                                                                   QStringLiteral("b*"),
                                                                                   QStringLiteral("a*"),
                                                                                   QStringLiteral("c*"),
                                                                                   QStringLiteral("[Calculator]"),
                                                                                   QStringLiteral("b*"),
                                                                                   QStringLiteral("a*"),
                                                                                   QStringLiteral("[Document]"),
                                                                                   QStringLiteral("c*")};
    QTest::newRow("alike categories by name, greater first") << FakeMatches{{QStringLiteral("Alpha"), QStringLiteral("x"), s_possible, 0.5},
                                                                            {QStringLiteral("Zeta"), QStringLiteral("y"), s_possible, 0.5},
                                                                            {QStringLiteral("Mid"), QStringLiteral("z"), s_possible, 0.5}}
                                                             << QStringList{QStringLiteral("[Best match]"),
                                                                            QStringLiteral("z*"),
                                                                            QStringLiteral("y*"),
                                                                            QStringLiteral("x*"),
                                                                            QStringLiteral("[Zeta]"),
                                                                            QStringLiteral("y*"),
                                                                            QStringLiteral("[Mid]"),
                                                                            QStringLiteral("z*"),
                                                                            QStringLiteral("[Alpha]"),
                                                                            QStringLiteral("x*")};
}

void ResultsModelTest::sortOrder()
{
    QFETCH(FakeMatches, matches);
    QFETCH(QStringList, rows);

    feed(matches);
    QCOMPARE(flatList(), rows);
}

void ResultsModelTest::distribution_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QVector<int>>("sizes");
    QTest::addColumn<QVector<int>>("visible");

    QTest::newRow("no limit") << 0 << QVector<int>{5, 5} << QVector<int>{5, 5};
    QTest::newRow("negative limit") << -3 << QVector<int>{5, 5} << QVector<int>{5, 5};
    QTest::newRow("three full categories") << 60 << QVector<int>{50, 50, 50} << QVector<int>{30, 10, 1};
    QTest::newRow("two full categories") << 10 << QVector<int>{20, 20} << QVector<int>{5, 1};
    QTest::newRow("single category gets the limit") << 7 << QVector<int>{50} << QVector<int>{7};
    QTest::newRow("single short category") << 7 << QVector<int>{3} << QVector<int>{3};
    QTest::newRow("short category leaves room") << 10 << QVector<int>{2, 50, 50} << QVector<int>{2, 4, 1};
    QTest::newRow("empty category") << 6 << QVector<int>{0, 5, 5} << QVector<int>{0, 2, 2};
    QTest::newRow("more categories than the limit") << 5 << QVector<int>(10, 3) << QVector<int>{3, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("limit of one") << 1 << QVector<int>{4, 4} << QVector<int>{1, 1};
}

void ResultsModelTest::distribution()
{
    QFETCH(int, limit);
    QFETCH(QVector<int>, sizes);
    QFETCH(QVector<int>, visible);

    QStandardItemModel tree;
    fillTree(&tree, sizes);
    CategoryDistributionProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(&tree);
    proxy.setLimit(limit);
    QCOMPARE(visibleSizes(&proxy), visible);

    // The first rows of each category are the ones shown.
    for (int category = 0; category < sizes.size(); ++category) {
        const QModelIndex parent = proxy.index(category, 0);
        for (int row = 0; row < proxy.rowCount(parent); ++row) {
            QCOMPARE(proxy.index(row, 0, parent).data().toString(), QStringLiteral("c%1/%2").arg(category).arg(row));
        }
    }
}

void ResultsModelTest::distributionFollowsEarlierCategories()
{
    QStandardItemModel tree;
    fillTree(&tree, {2, 50, 50});
    CategoryDistributionProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(&tree);
    proxy.setLimit(10);
    QCOMPARE(visibleSizes(&proxy), (QVector<int>{2, 4, 1}));

    // The first category grows: the later ones must give way.
    QStandardItem *first = tree.item(0);
    for (int row = 0; row < 8; ++row) {
        first->appendRow(new QStandardItem(QStringLiteral("more")));
    }
    QCOMPARE(visibleSizes(&proxy), (QVector<int>{5, 1, 1}));

    first->removeRows(0, 9);
    QCOMPARE(visibleSizes(&proxy), (QVector<int>{1, 4, 1}));
}

void ResultsModelTest::limitOnTheChain()
{
    FakeMatches fakes;
    for (int i = 1; i <= 5; ++i) {
        const qreal relevance = 1.0 - i / 10.0;
        fakes.append({QStringLiteral("Calculator"), QStringLiteral("c%1").arg(i), s_exact, relevance});
        fakes.append({QStringLiteral("Document"), QStringLiteral("d%1").arg(i), s_possible, relevance});
        fakes.append({QStringLiteral("Bookmarks"), QStringLiteral("b%1").arg(i), s_completion, relevance});
    }
    feed(fakes);
    QCOMPARE(m_model->rowCount(), 4 + 3 + 15);

    QSignalSpy changed(m_model.get(), &ResultsModel::limitChanged);
    m_model->setLimit(8);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_model->limit(), 8);
    QCOMPARE(flatList(),
             (QStringList{QStringLiteral("[Best match]"),
                          QStringLiteral("c1*"),
                          QStringLiteral("c2*"),
                          QStringLiteral("c3*"),
                          QStringLiteral("[Calculator]"),
                          QStringLiteral("c1*"),
                          QStringLiteral("c2*"),
                          QStringLiteral("c3*"),
                          QStringLiteral("[Document]"),
                          QStringLiteral("d1"),
                          QStringLiteral("[Bookmarks]"),
                          QStringLiteral("b1")}));

    m_model->setLimit(8);
    QCOMPARE(changed.count(), 1);

    // The limit outlives the results it was applied to.
    m_model->clear();
    feed(fakes);
    QCOMPARE(m_model->rowCount(), 12);

    m_model->resetLimit();
    QCOMPARE(changed.count(), 2);
    QCOMPARE(m_model->limit(), 0);
    QCOMPARE(m_model->rowCount(), 4 + 3 + 15);
}

void ResultsModelTest::duplicates_data()
{
    QTest::addColumn<FakeMatches>("matches");
    QTest::addColumn<QStringList>("rows");

    const QString calc = QStringLiteral("Calculator");
    const QString doc = QStringLiteral("Document");
    QTest::newRow("best match copies and their originals") << FakeMatches{{calc, QStringLiteral("a"), s_possible, 0.9},
                                                                          {calc, QStringLiteral("b"), s_possible, 0.8},
                                                                          {calc, QStringLiteral("c"), s_possible, 0.7},
                                                                          {calc, QStringLiteral("d"), s_possible, 0.1}}
                                                           << QStringList{QStringLiteral("[Best match]"),
                                                                          QStringLiteral("a*"),
                                                                          QStringLiteral("b*"),
                                                                          QStringLiteral("c*"),
                                                                          QStringLiteral("[Calculator]"),
                                                                          QStringLiteral("a*"),
                                                                          QStringLiteral("b*"),
                                                                          QStringLiteral("c*"),
                                                                          QStringLiteral("d")};
    QTest::newRow("a category named like a match") << FakeMatches{{doc, QStringLiteral("x"), s_exact, 0.9},
                                                                  {doc, QStringLiteral("y"), s_exact, 0.8},
                                                                  {doc, QStringLiteral("z"), s_exact, 0.7},
                                                                  {calc, QStringLiteral("Calculator"), s_possible, 0.5}}
                                                   << QStringList{QStringLiteral("[Best match]"),
                                                                  QStringLiteral("x*"),
                                                                  QStringLiteral("y*"),
                                                                  QStringLiteral("z*"),
                                                                  QStringLiteral("[Document]"),
                                                                  QStringLiteral("x*"),
                                                                  QStringLiteral("y*"),
                                                                  QStringLiteral("z*"),
                                                                  QStringLiteral("[Calculator]*"),
                                                                  QStringLiteral("Calculator*")};
    QTest::newRow("one text in two categories") << FakeMatches{{calc, QStringLiteral("a"), s_exact, 0.9},
                                                               {calc, QStringLiteral("b"), s_exact, 0.8},
                                                               {calc, QStringLiteral("c"), s_exact, 0.7},
                                                               {doc, QStringLiteral("report"), s_possible, 0.5},
                                                               {QStringLiteral("Folder"), QStringLiteral("report"), s_possible, 0.4}}
                                                << QStringList{QStringLiteral("[Best match]"),
                                                               QStringLiteral("a*"),
                                                               QStringLiteral("b*"),
                                                               QStringLiteral("c*"),
                                                               QStringLiteral("[Calculator]"),
                                                               QStringLiteral("a*"),
                                                               QStringLiteral("b*"),
                                                               QStringLiteral("c*"),
                                                               QStringLiteral("[Document]"),
                                                               QStringLiteral("report*"),
                                                               QStringLiteral("[Folder]"),
                                                               QStringLiteral("report*")};
}

void ResultsModelTest::duplicates()
{
    QFETCH(FakeMatches, matches);
    QFETCH(QStringList, rows);

    feed(matches);
    QCOMPARE(flatList(), rows);
}

void ResultsModelTest::duplicatesAmongVisibleRowsOnly()
{
    FakeMatches fakes;
    for (const QString &text : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("e")}) {
        fakes.append({QStringLiteral("Calculator"), text, s_exact, 0.9 - fakes.size() / 10.0});
    }
    fakes.append({QStringLiteral("Document"), QStringLiteral("x"), s_possible, 0.5});
    feed(fakes);
    m_model->setLimit(4);

    // The original of "b" is cut off, so its copy stands alone.
    QCOMPARE(flatList(),
             (QStringList{QStringLiteral("[Best match]"),
                          QStringLiteral("a*"),
                          QStringLiteral("b"),
                          QStringLiteral("[Calculator]"),
                          QStringLiteral("a*"),
                          QStringLiteral("[Document]"),
                          QStringLiteral("x")}));

    m_model->resetLimit();
    QCOMPARE(flatList().mid(0, 4), (QStringList{QStringLiteral("[Best match]"), QStringLiteral("a*"), QStringLiteral("b*"), QStringLiteral("c*")}));
}

void ResultsModelTest::consecutiveUpdates()
{
    feed({{QStringLiteral("Calculator"), QStringLiteral("42"), s_exact, 0.9}, {QStringLiteral("Document"), QStringLiteral("answer.txt"), s_possible, 0.5}});
    QCOMPARE(m_model->rowCount(), 7);

    // Each keystroke brings an update like this one; every stage's tester checks it.
    feed({{QStringLiteral("Bookmarks"), QStringLiteral("site"), s_possible, 0.5}});
    QCOMPARE(flatList(), (QStringList{QStringLiteral("[Best match]"), QStringLiteral("site*"), QStringLiteral("[Bookmarks]"), QStringLiteral("site*")}));
}

void ResultsModelTest::rolesAndClear()
{
    feed({{QStringLiteral("Bookmarks"), QStringLiteral("site"), s_possible, 0.5}});
    const QModelIndex site = m_model->index(3, 0);
    QCOMPARE(site.data().toString(), QStringLiteral("site"));
    QCOMPARE(site.data(ResultsModel::CategoryRole).toString(), QStringLiteral("Bookmarks"));
    QCOMPARE(site.data(ResultsModel::TypeRole).toInt(), s_possible);
    QCOMPARE(site.data(ResultsModel::IsCategoryRole).toBool(), false);
    QCOMPARE(m_model->index(0, 0).data(ResultsModel::TypeRole).toInt(), 100000);

    QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
    m_model->clear();
    QVERIFY(reset.count() > 0);
    QCOMPARE(m_model->rowCount(), 0);
    QCOMPARE(m_source->rowCount(), 0);
}

void ResultsModelTest::runner()
{
    QSignalSpy changed(m_model.get(), &ResultsModel::runnerChanged);
    m_model->setRunner(QString());
    QCOMPARE(changed.count(), 0);

    m_model->setRunner(QStringLiteral("nydnosuchrunner"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_model->runner(), QString());
    QCOMPARE(m_model->runnerName(), QString());
    QVERIFY(m_model->runnerIcon().isNull());
}

void ResultsModelTest::queryForwarding()
{
    QSignalSpy string(m_model.get(), &ResultsModel::queryStringChanged);
    QSignalSpy querying(m_model.get(), &ResultsModel::queryingChanged);

    m_model->setQueryString(QStringLiteral("report"));
    QCOMPARE(string.count(), 1);
    QCOMPARE(string.first().first().toString(), QStringLiteral("report"));
    QCOMPARE(m_model->queryString(), QStringLiteral("report"));
    QVERIFY(m_model->querying());
    QCOMPARE(querying.count(), 1);
    QTRY_COMPARE(querying.count(), 2);
    QVERIFY(!m_model->querying());

    m_model->setQueryString(QStringLiteral(" report "));
    QCOMPARE(string.count(), 1);
    m_model->setQueryString(QString());
    QCOMPARE(string.count(), 2);
    QCOMPARE(m_model->queryString(), QString());

    QSignalSpy requested(m_model.get(), &ResultsModel::queryStringChangeRequested);
    Q_EMIT m_model->runnerManager()->setSearchTerm(QStringLiteral("= 1 + 1"), 3);
    QCOMPARE(requested.count(), 1);
    QCOMPARE(requested.first().at(0).toString(), QStringLiteral("= 1 + 1"));
    QCOMPARE(requested.first().at(1).toInt(), 3);
}

QTEST_MAIN(ResultsModelTest)

#include "resultsmodeltest.moc"
