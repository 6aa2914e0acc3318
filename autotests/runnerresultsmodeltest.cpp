// SPDX-License-Identifier: GPL-2.0-or-later
#include "runnerresultsmodel.h"
#include "fakerunner.h"
#include "resultsmodel.h"
#include "testhelpers.h"
#include "themecolors.h"

#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QFont>
#include <QIcon>
#include <QImage>
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
#include <utility>

namespace
{
// Reaches an index the model itself never hands out: one in column 1.
class ProbeModel : public RunnerResultsModel
{
public:
    using RunnerResultsModel::RunnerResultsModel;
    QModelIndex topLevelInColumn(int row) const
    {
        return createIndex(row, 1, quintptr(0));
    }
};

const QString s_bestMatch = QStringLiteral("Best match");
const QString s_dimColor = QStringLiteral("#654321");
}

class RunnerResultsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
        ThemeColors::instance()->setDimTextColor(s_dimColor);
        m_runner = std::make_unique<FakeRunner>();

        // A tiny icon theme: one known icon and the fallback.
        const QString theme = m_icons.path() + QStringLiteral("/nydtest");
        QVERIFY(TestHelpers::writeFile(theme + QStringLiteral("/index.theme"),
                                       "[Icon Theme]\nName=nydtest\nDirectories=24x24/apps\n\n[24x24/apps]\nSize=24\nType=Fixed\n"));
        QVERIFY(QDir().mkpath(theme + QStringLiteral("/24x24/apps")));
        for (const auto &[name, color] : {std::pair{"nyd-known", Qt::red}, std::pair{"system-run", Qt::blue}}) {
            QImage image(24, 24, QImage::Format_ARGB32);
            image.fill(color);
            QVERIFY(image.save(theme + QStringLiteral("/24x24/apps/%1.png").arg(QLatin1String(name)), "PNG"));
        }
        QIcon::setThemeSearchPaths({m_icons.path()});
        QIcon::setThemeName(QStringLiteral("nydtest"));
    }

    void init()
    {
        QSettings().clear();
        m_model = std::make_unique<ProbeModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
    }

    void queryString_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("runner");
        QTest::addColumn<bool>("emits");
        QTest::addColumn<bool>("launches");

        const QString abc = QStringLiteral("abc");
        QTest::newRow("first query") << QString() << abc << QString() << true << true;
        QTest::newRow("same query") << abc << abc << QString() << false << false;
        QTest::newRow("same once trimmed") << abc << QStringLiteral("  abc ") << QString() << false << false;
        QTest::newRow("new query kept untrimmed") << abc << QStringLiteral(" abd ") << QString() << true << true;
        QTest::newRow("same query, other runner") << abc << abc << QStringLiteral("nydother") << true << true;
        QTest::newRow("blanks after a query") << abc << QStringLiteral("   ") << QString() << true << false;
        QTest::newRow("emptied") << abc << QString() << QString() << true << false;
    }

    void queryString()
    {
        QFETCH(QString, before);
        QFETCH(QString, query);
        QFETCH(QString, runner);
        QFETCH(bool, emits);
        QFETCH(bool, launches);

        if (!before.isEmpty()) {
            m_model->setQueryString(before, QString());
            QTRY_VERIFY(!m_model->querying());
        }
        feed(QStringLiteral("Calculator 42 E 1"));
        QSignalSpy changed(m_model.get(), &RunnerResultsModel::queryStringChanged);
        QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        m_model->setQueryString(query, runner);

        QCOMPARE(changed.count(), emits ? 1 : 0);
        if (emits) {
            QCOMPARE(changed.first().first().toString(), query);
        }
        QCOMPARE(m_model->queryString(), emits ? query : before);
        QCOMPARE(m_model->querying(), launches);
        QCOMPARE(querying.count(), launches ? 1 : 0);
        // The manager drops a query for a runner it cannot load.
        if (launches && runner.isEmpty()) {
            QCOMPARE(m_model->runnerManager()->query(), query.trimmed());
        }
        // Only emptying clears; the manager may announce its own empty list first.
        const bool clears = emits && query.isEmpty();
        QCOMPARE(reset.count() > 0, clears);
        QCOMPARE(m_model->rowCount(), clears ? 0 : 2);
        if (clears) {
            QVERIFY(m_model->runnerManager()->query().isEmpty());
        }
    }

    void queryingSignal()
    {
        QSignalSpy querying(m_model.get(), &RunnerResultsModel::queryingChanged);
        m_model->setQuerying(false);
        QCOMPARE(querying.count(), 0);

        // No runner is loaded, so the manager reports the end on its own.
        m_model->setQueryString(QStringLiteral("report"), QString());
        m_model->setQuerying(true);
        QCOMPARE(querying.count(), 1);
        QTRY_COMPARE(querying.count(), 2);
        QVERIFY(!m_model->querying());

        // Emptying ends what the model still takes for a running query.
        m_model->setQuerying(true);
        m_model->setQueryString(QString(), QString());
        QVERIFY(!m_model->querying());
        QCOMPARE(querying.count(), 4);
    }

    void categoryFilter_data()
    {
        QTest::addColumn<bool>("applications");
        QTest::addColumn<bool>("documents");
        QTest::addColumn<bool>("media");
        QTest::addColumn<QString>("dropped");

        QTest::newRow("everything indexed") << true << true << true << QString();
        QTest::newRow("no applications") << false << true << true << QStringLiteral("Applications");
        QTest::newRow("no documents") << true << false << true << QStringLiteral("Archive Document Presentation Spreadsheet Text");
        QTest::newRow("no media") << true << true << false << QStringLiteral("Audio Image Video");
    }

    void categoryFilter()
    {
        QFETCH(bool, applications);
        QFETCH(bool, documents);
        QFETCH(bool, media);
        QFETCH(QString, dropped);

        // The categories that may go are the strongest, so they would reach "Best match".
        // Only the exact names are known: "audio" stays.
        QStringList all = QStringLiteral("Applications Archive Audio Document Image Presentation Spreadsheet Text Video").split(QLatin1Char(' '));
        QString items;
        for (const QString &name : std::as_const(all)) {
            items += name + QStringLiteral(" x E 0.5,");
        }
        items += QStringLiteral("Bookmarks x P 0.5, Calculator x P 0.5, Help x P 0.5, audio x P 0.5");
        all << QStringLiteral("Bookmarks") << QStringLiteral("Calculator") << QStringLiteral("Help") << QStringLiteral("audio") << s_bestMatch;

        setIndexing(applications, documents, media);
        QSignalSpy changed(m_model.get(), &RunnerResultsModel::matchesChanged);
        feed(items);
        QCOMPARE(changed.count(), 1);

        const QStringList droppedNames = dropped.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString &name : droppedNames) {
            all.removeOne(name);
        }
        all.sort();
        QCOMPARE(texts(), all);
        const QModelIndex best = category(s_bestMatch);
        QCOMPARE(m_model->rowCount(best), 3);
        for (int row = 0; row < 3; ++row) {
            QVERIFY(!droppedNames.contains(m_model->index(row, 0, best).data(ResultsModel::CategoryRole).toString()));
        }
    }

    void settingsReadOnEveryUpdate()
    {
        const QString items = QStringLiteral("Applications Editor E 0.9, Image photo.png P 0.5");
        feed(items);
        QCOMPARE(texts(), (QStringList{QStringLiteral("Applications"), s_bestMatch, QStringLiteral("Image")}));

        // Everything filtered out: an empty tree, still announced.
        setIndexing(false, true, false);
        QSignalSpy changed(m_model.get(), &RunnerResultsModel::matchesChanged);
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        feed(items);
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(reset.count(), 1);

        setIndexing(true, true, false);
        feed(items);
        QCOMPARE(texts(), (QStringList{QStringLiteral("Applications"), s_bestMatch}));
    }

    void bestMatch_data()
    {
        QTest::addColumn<QString>("matches");
        QTest::addColumn<QString>("best");

        QTest::newRow("three strongest, strongest first") << "Calc a P 0.2, Calc b P 0.9, Doc c P 0.5, Doc d P 0.7, Calc e P 0.1" << QStringLiteral("b d c");
        QTest::newRow("type before relevance") << "Calc a E 0.1, Doc b P 0.99, Calc c H 0.5, Doc d C 1" << QStringLiteral("a c b");
        QTest::newRow("fewer than three") << "Calc a P 0.2, Doc b P 0.8" << QStringLiteral("b a");
        QTest::newRow("fuzzily equal relevance is a tie") << "Calc a P 0.50000000000001, Calc b P 0.5, Calc c P 0.1, Calc d P 0.05" << QStringLiteral("b a c");
        QTest::newRow("help takes the third place") << "Calc a E 0.9, Calc b E 0.8, Doc c E 0.7, Help h C 0.1" << QStringLiteral("a b h");
        QTest::newRow("the first help delivered, not the strongest")
            << "Calc a E 0.9, Help h1 C 0.1, Calc b E 0.8, Help h2 P 0.6, Doc c E 0.7" << QStringLiteral("a b h1");
        QTest::newRow("help already among them") << "Calc a E 0.9, Help h E 0.8, Calc b E 0.7, Doc c E 0.6" << QStringLiteral("a h b");
    }

    void bestMatch()
    {
        QFETCH(QString, matches);
        QFETCH(QString, best);

        feed(matches);
        const QModelIndex bestIndex = category(s_bestMatch);
        QCOMPARE(texts(bestIndex).join(QLatin1Char(' ')), best);
        // Copies: the originals stay in their categories, and the copies tell where from.
        for (int row = 0; row < m_model->rowCount(bestIndex); ++row) {
            const QModelIndex copy = m_model->index(row, 0, bestIndex);
            const QString from = copy.data(ResultsModel::CategoryRole).toString();
            QVERIFY(from != s_bestMatch);
            QVERIFY(texts(category(from)).contains(copy.data().toString()));
        }
    }

    void categoryRows()
    {
        feed(QStringLiteral("Applications Editor P 0.4, Applications Viewer E 0.2, Calculator 1 C 0.7, Calculator 2 H 0.3"));
        // Fixed boosts for two; otherwise the strongest type and, maybe of another match, the strongest relevance.
        const struct {
            QString name;
            int type;
            qreal relevance;
        } rows[] = {{s_bestMatch, 100000, 100000.4},
                    {QStringLiteral("Applications"), 10000, 10000.4},
                    {QStringLiteral("Calculator"), int(Plasma::QueryMatch::HelperMatch), 0.7}};
        for (const auto &row : rows) {
            const QModelIndex index = category(row.name);
            QVERIFY(index.isValid());
            QCOMPARE(index.data(ResultsModel::TypeRole).toInt(), row.type);
            QCOMPARE(index.data(ResultsModel::RelevanceRole).toReal(), row.relevance);
            QCOMPARE(index.data(ResultsModel::IsCategoryRole).toBool(), true);
            QCOMPARE(index.data(Qt::FontRole).value<QFont>().pixelSize(), 16);
            QCOMPARE(index.data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignVCenter));
            QCOMPARE(index.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(s_dimColor));
            QCOMPARE(index.data(Qt::SizeHintRole).toSize(), QSize(0, 42));
        }
    }

    void matchRows()
    {
        Plasma::QueryMatch first = match(QStringLiteral("Calculator 6*7 H 0.625"));
        first.setSubtext(QStringLiteral("Copy the result"));
        first.setData(QStringLiteral("42"));
        first.setEnabled(false);
        first.setMultiLine(true);
        m_model->onMatchesChanged({first, match(QStringLiteral("Calculator 2 P 0.1"))});

        const QModelIndex parent = category(QStringLiteral("Calculator"));
        const QModelIndex index = m_model->index(0, 0, parent);
        QCOMPARE(index.parent(), parent);
        QCOMPARE(index.data(Qt::DisplayRole).toString(), QStringLiteral("6*7"));
        QCOMPARE(index.data(ResultsModel::IdRole).toString(), first.id());
        QCOMPARE(index.data(ResultsModel::TypeRole).toInt(), int(Plasma::QueryMatch::HelperMatch));
        QCOMPARE(index.data(ResultsModel::RelevanceRole).toReal(), 0.625);
        QCOMPARE(index.data(ResultsModel::CategoryRole).toString(), QStringLiteral("Calculator"));
        QCOMPARE(index.data(ResultsModel::SubtextRole).toString(), QStringLiteral("Copy the result"));
        QCOMPARE(index.data(ResultsModel::IsCategoryRole).toBool(), false);
        QCOMPARE(index.data(ResultsModel::DataRole).toString(), QStringLiteral("42"));
        QCOMPARE(index.data(Qt::FontRole).value<QFont>().pixelSize(), 16);
        QCOMPARE(index.data(Qt::SizeHintRole).toSize(), QSize(0, 42));
        QVERIFY(!index.data(ResultsModel::DuplicateRole).isValid());
        QVERIFY(!index.data(ResultsModel::ActionsRole).isValid());
        // Both values of the switches come through.
        const QModelIndex second = m_model->index(1, 0, parent);
        QCOMPARE(index.data(ResultsModel::EnabledRole).toBool(), false);
        QCOMPARE(index.data(ResultsModel::MultiLineRole).toBool(), true);
        QCOMPARE(second.data(ResultsModel::EnabledRole).toBool(), true);
        QCOMPARE(second.data(ResultsModel::MultiLineRole).toBool(), false);
    }

    void decoration_data()
    {
        QTest::addColumn<QString>("iconName");
        QTest::addColumn<QColor>("color");

        QTest::newRow("no icon name: the match's icon") << QString() << QColor(Qt::green);
        QTest::newRow("icon name from the theme") << QStringLiteral("nyd-known") << QColor(Qt::red);
        QTest::newRow("unknown icon name: the fallback") << QStringLiteral("nyd-unknown") << QColor(Qt::blue);
    }

    void decoration()
    {
        QFETCH(QString, iconName);
        QFETCH(QColor, color);

        QPixmap green(16, 16);
        green.fill(Qt::green);
        Plasma::QueryMatch item = match(QStringLiteral("Calculator x P 0"));
        item.setIcon(QIcon(green));
        item.setIconName(iconName);
        m_model->onMatchesChanged({item});

        const QVariant decoration = m_model->index(0, 0, category(QStringLiteral("Calculator"))).data(Qt::DecorationRole);
        if (iconName.isEmpty()) {
            QCOMPARE(decoration.userType(), int(QMetaType::QIcon));
            QCOMPARE(decoration.value<QIcon>().cacheKey(), item.icon().cacheKey());
            return;
        }
        QCOMPARE(decoration.userType(), int(QMetaType::QPixmap));
        const QImage image = decoration.value<QPixmap>().toImage();
        QCOMPARE(image.size(), QSize(24, 24));
        QCOMPARE(image.pixelColor(12, 12), color);
    }

    void toolTip_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("subtext");
        QTest::addColumn<bool>("table");

        // %1 is a scratch folder that holds report.txt, and is the current folder meanwhile.
        QTest::newRow("existing file") << QStringLiteral("Document") << QStringLiteral("%1/report.txt") << true;
        QTest::newRow("existing folder") << QStringLiteral("Folder") << QStringLiteral("%1") << true;
        QTest::newRow("help, even for a file") << QStringLiteral("Help") << QStringLiteral("%1/report.txt") << false;
        QTest::newRow("missing file") << QStringLiteral("Document") << QStringLiteral("%1/missing.txt") << false;
        QTest::newRow("relative path of a file") << QStringLiteral("Document") << QStringLiteral("report.txt") << false;
    }

    void toolTip()
    {
        QFETCH(QString, category);
        QFETCH(QString, subtext);
        QFETCH(bool, table);

        QTemporaryDir dir;
        QVERIFY(TestHelpers::writeFile(dir.filePath(QStringLiteral("report.txt")), QByteArray(1234, 'x')));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const auto restore = qScopeGuard([&previous] {
            QDir::setCurrent(previous);
        });
        subtext.replace(QLatin1String("%1"), dir.path());

        Plasma::QueryMatch item = match(category + QStringLiteral(" x P 0"));
        item.setSubtext(subtext);
        m_model->onMatchesChanged({item});
        const QString toolTip = m_model->index(0, 0, this->category(category)).data(Qt::ToolTipRole).toString();
        if (!table) {
            QCOMPARE(toolTip, QStringLiteral("<p>") + subtext + QStringLiteral("</p>"));
            return;
        }
        const QFileInfo info(subtext);
        QVERIFY2(toolTip.startsWith(QLatin1String("<table")), qPrintable(toolTip));
        const QString size = QLocale().formattedDataSize(info.size(), 2, QLocale::DataSizeTraditionalFormat);
        for (const QString &value : {info.fileName(), subtext, size}) {
            QVERIFY2(toolTip.contains(QStringLiteral("<td align='left'>%1</td>").arg(value)), qPrintable(value));
        }
        for (const char *label : {"Name:", "Path:", "Size:", "Opened:", "Created:", "Modified:"}) {
            QVERIFY2(toolTip.contains(QLatin1String(label)), label);
        }
    }

    void invalidIndexes()
    {
        feed(QStringLiteral("Calculator a E 0.9, Calculator b E 0.8"));
        QCOMPARE(m_model->rowCount(), 2);
        const QModelIndex parent = category(QStringLiteral("Calculator"));
        const QModelIndex child = m_model->index(0, 0, parent);
        const QModelIndex secondColumn = m_model->topLevelInColumn(parent.row());
        QVERIFY(child.isValid());

        for (const QModelIndex &index : {m_model->index(-1, 0),
                                         m_model->index(0, 1),
                                         m_model->index(0, -1),
                                         m_model->index(2, 0),
                                         m_model->index(2, 0, parent),
                                         m_model->index(0, 0, child),
                                         m_model->index(0, 0, secondColumn)}) {
            QVERIFY(!index.isValid());
        }
        QCOMPARE(m_model->rowCount(child), 0);
        QCOMPARE(m_model->rowCount(secondColumn), 0);
        QVERIFY(!m_model->parent(QModelIndex()).isValid());
        QVERIFY(!m_model->parent(parent).isValid());
        QCOMPARE(m_model->parent(child), parent);
    }

    void flagsAndMimeData()
    {
        QList<Plasma::QueryMatch> matches;
        for (const QString &name : {QStringLiteral("first"), QStringLiteral("second")}) {
            Plasma::QueryMatch item = match(QStringLiteral("Document %1 P 0.5").arg(name));
            item.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/%1.txt").arg(name))});
            matches.append(item);
        }
        m_model->onMatchesChanged(matches);
        const QModelIndex parent = category(QStringLiteral("Document"));
        const QModelIndex first = m_model->index(0, 0, parent);
        const QModelIndex second = m_model->index(1, 0, parent);
        QCOMPARE(m_model->flags(parent), Qt::NoItemFlags);
        QCOMPARE(m_model->flags(category(s_bestMatch)), Qt::NoItemFlags);
        QCOMPARE(m_model->flags(first), Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);

        // The first index given is the one dragged.
        QCOMPARE(m_model->mimeTypes(), QStringList{QStringLiteral("text/uri-list")});
        QVERIFY(!m_model->mimeData({}));
        const std::unique_ptr<QMimeData> both(m_model->mimeData({first, second}));
        QVERIFY(both && both->hasFormat(QStringLiteral("text/uri-list")));
        QCOMPARE(both->urls(), QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/first.txt"))});
        const std::unique_ptr<QMimeData> reversed(m_model->mimeData({second, first}));
        QVERIFY(reversed);
        QCOMPARE(reversed->urls(), QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/second.txt"))});
    }

private:
    static void setIndexing(bool applications, bool documents, bool media)
    {
        QSettings settings;
        settings.setValue(QStringLiteral("indexApplications"), applications);
        settings.setValue(QStringLiteral("indexDocuments"), documents);
        settings.setValue(QStringLiteral("indexMedia"), media);
    }

    QModelIndex category(const QString &name) const
    {
        const QModelIndexList found = m_model->match(m_model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        return found.value(0);
    }

    // The rows below parent; the top level sorted, as the categories come in no set order.
    QStringList texts(const QModelIndex &parent = {}) const
    {
        QStringList result;
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            result.append(m_model->index(row, 0, parent).data().toString());
        }
        if (!parent.isValid()) {
            result.sort();
        }
        return result;
    }

    Plasma::QueryMatch match(const QString &item) const
    {
        return TestHelpers::matchesFrom<Plasma::QueryMatch>(m_runner.get(), item).constFirst();
    }
    void feed(const QString &items)
    {
        m_model->onMatchesChanged(TestHelpers::matchesFrom<Plasma::QueryMatch>(m_runner.get(), items));
    }

    std::unique_ptr<FakeRunner> m_runner;
    std::unique_ptr<ProbeModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QTemporaryDir m_icons;
};

QTEST_MAIN(RunnerResultsModelTest)

#include "runnerresultsmodeltest.moc"
