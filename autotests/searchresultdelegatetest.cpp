// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchresultdelegate.h"
#include "fakerunner.h"
#include "resultsmodel.h"
#include "runnerresultsmodel.h"

#include <KPluginMetaData>
#include <KRunner/AbstractRunner>

#include <QAbstractItemModelTester>
#include <QImage>
#include <QJsonObject>
#include <QPainter>
#include <QProxyStyle>
#include <QSettings>
#include <QStandardPaths>
#include <QStyleFactory>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QWidget>

#include <memory>

namespace
{
// Keeps the state of every item the delegate hands to the style.
class RecordingStyle : public QProxyStyle
{
public:
    RecordingStyle()
        : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    {
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const override
    {
        if (element == CE_ItemViewItem) {
            states.append(option->state);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

    mutable QVector<QStyle::State> states;
};

constexpr int s_highlights = QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Selected;
}

class SearchResultDelegateTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void paintedState_data();
    void paintedState();
    void categoryLooksPlain();

private:
    QImage paint(const QModelIndex &index, QStyle::State state);

    std::unique_ptr<FakeRunner> m_runner;
    std::unique_ptr<ResultsModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<RecordingStyle> m_style;
    std::unique_ptr<QWidget> m_view;
    SearchResultDelegate *m_delegate = nullptr;
};

void SearchResultDelegateTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("nyd"));
    QSettings().clear();

    m_runner = std::make_unique<FakeRunner>();
    m_model = std::make_unique<ResultsModel>();
    m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto *source = m_model->findChild<RunnerResultsModel *>();
    QVERIFY(source);
    Plasma::QueryMatch match(m_runner.get());
    match.setMatchCategory(QStringLiteral("Calculator"));
    match.setText(QStringLiteral("42"));
    source->onMatchesChanged({match});
    QCOMPARE(m_model->rowCount(), 4);
    QVERIFY(m_model->index(0, 0).data(ResultsModel::IsCategoryRole).toBool());
    QVERIFY(!m_model->index(1, 0).data(ResultsModel::IsCategoryRole).toBool());

    m_style = std::make_unique<RecordingStyle>();
    m_view = std::make_unique<QWidget>();
    m_view->setStyle(m_style.get());
    m_delegate = new SearchResultDelegate(m_view.get(), m_model.get());
}

QImage SearchResultDelegateTest::paint(const QModelIndex &index, QStyle::State state)
{
    QImage image(200, 42, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionViewItem option;
    option.initFrom(m_view.get());
    option.rect = image.rect();
    option.state = state;
    option.widget = m_view.get();
    m_delegate->paint(&painter, option, index);
    return image;
}

void SearchResultDelegateTest::paintedState_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("painted");

    const int enabled = QStyle::State_Enabled;
    const int active = QStyle::State_Active;
    QTest::newRow("category, selected") << 0 << (enabled | QStyle::State_Selected) << enabled;
    QTest::newRow("category, focused") << 0 << (enabled | QStyle::State_HasFocus) << enabled;
    QTest::newRow("category, hovered") << 0 << (enabled | QStyle::State_MouseOver) << enabled;
    QTest::newRow("category, everything") << 0 << (enabled | active | s_highlights) << (enabled | active);
    QTest::newRow("match, everything") << 1 << (enabled | active | s_highlights) << (enabled | active | s_highlights);
    QTest::newRow("match, selected") << 1 << (enabled | QStyle::State_Selected) << (enabled | QStyle::State_Selected);
    QTest::newRow("match, plain") << 1 << enabled << enabled;
}

void SearchResultDelegateTest::paintedState()
{
    QFETCH(int, row);
    QFETCH(int, state);
    QFETCH(int, painted);

    m_style->states.clear();
    paint(m_model->index(row, 0), QStyle::State(state));
    QCOMPARE(m_style->states.size(), 1);
    QCOMPARE(int(m_style->states.first()), painted);
}

void SearchResultDelegateTest::categoryLooksPlain()
{
    const QStyle::State plain = QStyle::State_Enabled | QStyle::State_Active;
    const QModelIndex category = m_model->index(0, 0);
    QCOMPARE(paint(category, plain | QStyle::State(s_highlights)), paint(category, plain));

    // The comparison can tell: a match row does show its selection.
    const QModelIndex match = m_model->index(1, 0);
    QVERIFY(paint(match, plain | QStyle::State_Selected) != paint(match, plain));
}

QTEST_MAIN(SearchResultDelegateTest)

#include "searchresultdelegatetest.moc"
