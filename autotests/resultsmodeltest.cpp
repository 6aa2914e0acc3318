// SPDX-License-Identifier: GPL-2.0-or-later
#include "resultsmodel.h"
#include "fakerunner.h"
#include "runnerresultsmodel.h"
#include "searchsettings.h"
#include "testhelpers.h"

#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{
enum Unindexed { Applications = 1, Documents = 2, Media = 4 };

// Reaches an index the model never hands out: a parent in column 1.
struct ProbeModel : RunnerResultsModel {
    QModelIndex inSecondColumn(int row) const
    {
        return createIndex(row, 1, quintptr(0));
    }
};
}

class ResultsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        m_tester.reset();
        m_model = std::make_unique<ResultsModel>();
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    }

    void chain_data()
    {
        QTest::addColumn<QString>("matches"); // category, text, type, relevance
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("rows"); // [category], a star marks a text shown twice
        QTest::addColumn<int>("unindexed");
        QTest::newRow("best match, applications, by type, relevance")
            << "Applications E C 0.1, C 42 E 0.2, D n P 0.9, B s P 0.5" << 0 << "[Best match] 42* n* s* [Applications] E [C] 42* [D] n* [B] s*" << 0;
        QTest::newRow("by type, relevance, text") << "F l P 0.9, F B C 0.5, F h E 0.1, F a C 0.5, F m P 0.95" << 0 << "[Best match] h* m* l* [F] h* m* l* a B"
                                                  << 0;
        QTest::newRow("fuzzily equal relevance is a tie")
            << "C a P 0.50000000000001, C b P 0.5, D c P 0.4" << 0 << "[Best match] b* a* c* [C] b* a* [D] c*" << 0;
        QTest::newRow("help takes the third place") << "C a E 0.9, Help h C 0.1, C b E 0.8, Help i P 0.6, D c E 0.7" << 0
                                                    << "[Best match] a* b* h* [C] a* b* [D] c [Help] i h*" << 0;
        QTest::newRow("help already among them") << "C a E 0.9, Help h E 0.8, C b E 0.7, D c E 0.6" << 0 << "[Best match] a* h* b* [C] a* b* [Help] h* [D] c"
                                                 << 0;
        QTest::newRow("no applications, no media") << "Applications e E 1, Audio a E 1, Image i E 1, Video v E 1, C 42 P 0.5" << 0 << "[Best match] 42* [C] 42*"
                                                   << (Applications | Media);
        QTest::newRow("no documents, by exact name") << "Text t E 1, Spreadsheet s E 1, Presentation p E 1, Document d E 1, Archive z E 1, text x P 0" << 0
                                                     << "[Best match] x* [text] x*" << int(Documents);
        QTest::newRow("earlier categories get more") << "C a E 0.9, C b E 0.8, C c E 0.7, C d E 0.6, D x P 0.5, D y P 0.4, B z C 0.5" << 8
                                                     << "[Best match] a* b* c* [C] a* b* c* [D] x [B] z" << 0;
        QTest::newRow("a short category leaves room") << "C a E 0.9, D x P 0.9, D y P 0.8, D w P 0.7, B z C 0.5, B v C 0.4" << 8
                                                      << "[Best match] a* x* y* [C] a* [D] x* y* [B] z" << 0;
        QTest::newRow("repeated among rows shown only") << "C a E 0.9, C b E 0.8, C c E 0.7, D x P 0.5" << 4 << "[Best match] a* b [C] a* [D] x" << 0;
    }

    void chain()
    {
        QFETCH(QString, matches);
        QFETCH(int, limit);
        QFETCH(QString, rows);
        QFETCH(int, unindexed);
        m_model->setLimit(limit);
        // An update of another shape first: each one resets the whole chain.
        feed(QStringLiteral("C 42 E 0.9, D answer.txt P 0.5"));
        // As the settings dialog saves them between two updates.
        SearchSettings settings;
        settings.setIndexApplications(!(unindexed & Applications));
        settings.setIndexDocuments(!(unindexed & Documents));
        settings.setIndexMedia(!(unindexed & Media));
        settings.save();
        feed(matches);
        QStringList shown;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex index = m_model->index(row, 0);
            shown << (index.data(ResultsModel::IsCategoryRole).toBool() ? QStringLiteral("[%1]") : QStringLiteral("%1")).arg(index.data().toString())
                    + QLatin1String(index.data(ResultsModel::DuplicateRole).toBool() ? "*" : "");
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), rows);
    }

    void rows()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("report.txt"));
        const QUrl url = QUrl::fromLocalFile(file);
        QVERIFY(TestHelpers::writeFile(file, QByteArray(1234, 'x')));
        auto matches = TestHelpers::matchesFrom<Plasma::QueryMatch>(&m_runner, QStringLiteral("Document report.txt H 0.625, Help page P 0.5"));
        matches[0].setSubtext(file);
        matches[0].setData(url);
        matches[0].setUrls({url});
        Q_EMIT m_model->runnerManager()->matchesChanged(matches);
        // [Best match] report.txt page [Document] report.txt [Help] page
        const QModelIndex row = m_model->index(4, 0);
        const QVariantList values{matches[0].id(), int(matches[0].type()), 0.625, true, QStringLiteral("Document"), file, true, {}, false, false, url};
        for (int role = ResultsModel::IdRole; role <= ResultsModel::DataRole; ++role) {
            QCOMPARE(row.data(role), values.at(role - ResultsModel::IdRole));
        }
        QVERIFY(row.data(Qt::ToolTipRole).toString().contains(QLocale().formattedDataSize(1234, 2, QLocale::DataSizeTraditionalFormat)));
        // Headers can be neither selected nor dragged; a match drags its first URL.
        QCOMPARE(m_model->flags(m_model->index(3, 0)), Qt::NoItemFlags);
        QVERIFY(m_model->flags(row) & Qt::ItemIsDragEnabled && m_model->supportedDragActions() & Qt::CopyAction && !m_model->mimeData({}));
        const std::unique_ptr<QMimeData> drag(m_model->mimeData({row, m_model->index(6, 0)}));
        QCOMPARE(drag ? drag->urls() : QList<QUrl>(), QList<QUrl>{url});
        ProbeModel probe;
        probe.onMatchesChanged(matches);
        QVERIFY(probe.rowCount(probe.inSecondColumn(0)) == 0 && !probe.index(0, 0, probe.inSecondColumn(0)).isValid());
    }

private:
    void feed(const QString &items)
    {
        Q_EMIT m_model->runnerManager()->matchesChanged(TestHelpers::matchesFrom<Plasma::QueryMatch>(&m_runner, items));
    }

    FakeRunner m_runner;
    std::unique_ptr<ResultsModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(ResultsModelTest)

#include "resultsmodeltest.moc"
