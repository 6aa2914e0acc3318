// SPDX-License-Identifier: GPL-2.0-or-later
#include "resultsmodel.h"
#include "fakerunner.h"
#include "searchresultdelegate.h"
#include "searchsettings.h"
#include "testhelpers.h"

#include <KRunner/RunnerManager>

#include <QAbstractItemModelTester>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>
#include <QTranslator>

namespace
{
enum Unindexed { Applications = 1, Documents = 2, Media = 4 };

struct MarkingTranslator : QTranslator {
    bool isEmpty() const override
    {
        return false;
    }
    QString translate(const char *context, const char *text, const char *, int) const override
    {
        return qstrcmp(context, "RunnerResultsModel") ? QString() : QStringLiteral("<%1>").arg(QString::fromUtf8(text));
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
        m_model = std::make_unique<ResultsModel>();
        new QAbstractItemModelTester(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest, m_model.get());
    }
    void chain_data()
    {
        QTest::addColumn<QString>("matches"); // category, text, type, relevance
        QTest::addColumn<QString>("rows"); // after [Best match]: [category], a star marks a text shown twice
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("unindexed");
        const auto row = [](const char *name, const char *matches, const char *rows, int limit = 0, int unindexed = 0) {
            QTest::newRow(name) << QString::fromUtf8(matches) << QString::fromUtf8(rows) << limit << unindexed;
        };
        row("applications first", "Applications E C 0.1, C 42 E 0.2, D n P 0.9, B s P 0.5", "42* n* s* [Applications] E [C] 42* [D] n* [B] s*");
        row("by type, relevance, text", "F l P 0.9, F B C 0.5, F h E 0.1, F a C 0.5, F m P 0.95", "h* m* l* [F] h* m* l* a B");
        row("fuzzily equal relevance ties", "C a P 0.50000000000001, C b P 0.5, D c P 0.4", "b* a* c* [C] b* a* [D] c*");
        row("help third", "C a E 0.9, Help h C 0.1, C b E 0.8, Help i P 0.6, D c E 0.7", "a* b* h* [C] a* b* [D] c [Help] i h*");
        row("help among them", "C a E 0.9, Help h E 0.8, C b E 0.7, D c E 0.6", "a* h* b* [C] a* b* [Help] h* [D] c");
        row("no applications, media", "Applications e E 1, Audio a E 1, Image i E 1, Video v E 1, C 42 P 0.5", "42* [C] 42*", 0, Applications | Media);
        row("no documents", "Text t E 1, Spreadsheet s E 1, Presentation p E 1, Document d E 1, Archive z E 1, text x P 0", "x* [text] x*", 0, Documents);
        row("earlier get more", "C a E 0.9, C b E 0.8, C c E 0.7, C d E 0.6, D x P 0.5, D y P 0.4, B z C 0.5", "a* b* c* [C] a* b* c* [D] x [B] z", 8);
        row("short category leaves room", "C a E 0.9, D x P 0.9, D y P 0.8, D w P 0.7, B z C 0.5, B v C 0.4", "a* x* y* [C] a* [D] x* y* [B] z", 8);
        row("repeated among rows shown only", "C a E 0.9, C b E 0.8, C c E 0.7, D x P 0.5", "a* b [C] a* [D] x", 4);
    }
    void chain()
    {
        QFETCH(QString, matches);
        QFETCH(QString, rows);
        QFETCH(int, limit);
        QFETCH(int, unindexed);
        m_model->setLimit(limit);
        // An update of another shape first, painted: each one resets the whole chain.
        Q_EMIT m_model->runnerManager()->matchesChanged(m_runner.matches(QStringLiteral("C 42 E 0.9, D answer.txt P 0.5")));
        QVERIFY(m_model->index(1, 0).data(ResultsModel::DuplicateRole).toBool());
        // As the settings dialog saves them between two updates.
        SearchSettings settings;
        settings.setIndexApplications(!(unindexed & Applications));
        settings.setIndexDocuments(!(unindexed & Documents));
        settings.setIndexMedia(!(unindexed & Media));
        settings.save();
        Q_EMIT m_model->runnerManager()->matchesChanged(m_runner.matches(matches));
        QStringList shown;
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex index = m_model->index(row, 0);
            shown << (index.data(ResultsModel::IsCategoryRole).toBool() ? QStringLiteral("[%1]") : QStringLiteral("%1")).arg(index.data().toString())
                    + QLatin1String(index.data(ResultsModel::DuplicateRole).toBool() ? "*" : "");
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), QStringLiteral("[Best match] ") + rows);
    }
    void rows()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("report.txt"));
        const QUrl url = QUrl::fromLocalFile(file);
        QVERIFY(TestHelpers::writeFile(file, QByteArray(1234, 'x')));
        auto matches = m_runner.matches(QStringLiteral("Document report.txt H 0.625, Help page P 0.5"));
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
        // Headers never look selected; a selected match does.
        SearchResultDelegate delegate(nullptr, m_model.get());
        QImage painted[4];
        for (int i = 0; i < 4; ++i) {
            painted[i] = QImage(100, 20, QImage::Format_RGB32);
            painted[i].fill(Qt::white);
            QPainter painter(&painted[i]);
            QStyleOptionViewItem option;
            option.rect = painted[i].rect();
            option.state = i % 2 ? QStyle::State_Selected : QStyle::State_None;
            delegate.paint(&painter, option, m_model->index(i < 2 ? 3 : 4, 0));
        }
        QVERIFY(painted[0] == painted[1] && painted[2] != painted[3]);
        // Headers are translated for display only; the category stays the runners' key.
        MarkingTranslator translator;
        QCoreApplication::installTranslator(&translator);
        QCOMPARE(QStringList({m_model->index(0, 0).data().toString(), m_model->index(3, 0).data().toString(), row.data(ResultsModel::CategoryRole).toString()}),
                 QStringList({QStringLiteral("<Best match>"), QStringLiteral("<Document>"), QStringLiteral("Document")}));
        QCoreApplication::removeTranslator(&translator);
        // Adaptive grouping gives the best matches no head start: a tie, settled by name.
        m_model->setGrouping(ResultsModel::AdaptiveGrouping);
        QCOMPARE(m_model->index(0, 0).data().toString(), QStringLiteral("Document"));
    }
    void toolTipsShowRunnerTextAsWritten_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("subtext");
        QTest::newRow("application's comment") << QStringLiteral("Applications") << QStringLiteral(R"(<b>bold</b> <img src="missing.png">)");
        QTest::newRow("help excerpt") << QStringLiteral("Help") << QStringLiteral("if a < b & c > d");
        QTest::newRow("file name and path") << QStringLiteral("Document") << QStringLiteral("%1/<img src=x>/<b>report & co.txt");
    }
    void toolTipsShowRunnerTextAsWritten()
    {
        QFETCH(QString, category);
        QFETCH(QString, subtext);
        QTemporaryDir files;
        subtext = subtext.arg(files.path());
        const bool table = category == QLatin1String("Document");
        QVERIFY(!table || TestHelpers::writeFile(subtext, "report"));
        auto matches = m_runner.matches(category + QStringLiteral(" result P 0.5"));
        matches[0].setSubtext(subtext);
        Q_EMIT m_model->runnerManager()->matchesChanged(matches);
        const QString tip = m_model->index(1, 0).data(Qt::ToolTipRole).toString();
        const QString rendered = QTextDocumentFragment::fromHtml(tip).toPlainText();
        QVERIFY2(rendered.contains(subtext), qPrintable(tip));
        QCOMPARE(rendered.count(QFileInfo(subtext).fileName()), table ? 2 : 1);
        QCOMPARE(tip.startsWith(QLatin1String("<table>")), table);
    }

private:
    FakeRunner m_runner;
    std::unique_ptr<ResultsModel> m_model;
};

QTEST_MAIN(ResultsModelTest)

#include "resultsmodeltest.moc"
