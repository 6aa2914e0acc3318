// SPDX-License-Identifier: GPL-2.0-or-later
#include "mainwindow.h"
#include "themecolors.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>

namespace
{
using ColorMap = QMap<QString, QString>;

ColorMap theme(const QString &menu, const QString &text, const QString &active, const QString &activeText)
{
    return {{QStringLiteral("MenuColor"), menu},
            {QStringLiteral("MenuStringColor"), text},
            {QStringLiteral("MenuActiveColor"), active},
            {QStringLiteral("MenuStringActiveColor"), activeText}};
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(16, 16)).toImage();
}

QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

// The window's rules as a designer wrote them down, filled by hand.
QString expectedStyleSheet(const QStringList &c, const QList<int> &borders)
{
    const QString bg = c[0], sel = c[1], border = c[2], text = c[3], selText = c[4], queryBg = c[5], advBg = c[6], queryText = c[7];
    const QString item =
        QStringLiteral("border: 0px hidden; border-radius: 2px; padding: 6px 0px 6px 4px; font-weight: 400; font-size: 16px; line-height: 17px;");
    const QString flatButton = QStringLiteral("background-color: %1; border: 0px hidden; margin: 0px 0px 0px 0px; padding: 0px;").arg(queryBg);
    const QList<QPair<QString, QString>> rules{
        {QStringLiteral("#centralWidget"),
         QStringLiteral("background-color: %1; color: %2; border-top: %3px solid %7; border-left: %4px solid %7; border-bottom: %5px solid %7; "
                        "border-right: %6px solid %7;")
             .arg(bg, text, QString::number(borders[0]), QString::number(borders[1]), QString::number(borders[2]), QString::number(borders[3]), border)},
        {QStringLiteral("#listViewSearchResults"), QStringLiteral("background-color: %1; selection-color: %2; color: %3;").arg(bg, selText, text)},
        {QStringLiteral("#listViewSearchResults::item"), item},
        {QStringLiteral("#listViewSearchResults::item:selected"), item},
        {QStringLiteral("#listViewSearchResults::item:selected:active"), QStringLiteral("background-color: %1;").arg(sel)},
        {QStringLiteral("#listViewSearchResults::item:selected:!active"), QStringLiteral("background-color: %1;").arg(sel)},
        {QStringLiteral("#listViewSearchResults::item:hover"), QStringLiteral("background-color: %1; color: %2;").arg(border, selText)},
        {QStringLiteral("#widgetQuery"),
         QStringLiteral("background-color: %1; color: %2; border: 1px solid %3; border-radius: 2px;").arg(queryBg, text, border)},
        {QStringLiteral("#pushButtonSearch"), flatButton},
        {QStringLiteral("#lineEditQuery"),
         QStringLiteral("background-color: %1; font-weight: 400; font-size: 14px; line-height: 17px; color: %2; border: 0px; margin: 0px 0px 0px 9px;")
             .arg(queryBg, queryText)},
        {QStringLiteral("#lineEditQuery:read-only"), QStringLiteral("color: %1;").arg(queryText)},
        {QStringLiteral("#labelIndexationInProgress"), QStringLiteral("margin: 9px 9px 9px 9px;")},
        {QStringLiteral("#pushButtonSettings"), flatButton},
        {QStringLiteral("#pushButtonSettings:pressed"), QStringLiteral("background-color: %1;").arg(queryBg)},
        {QStringLiteral("#widgetAdvancedSearch"),
         QStringLiteral("background-color: %1; color: %2; border: 0px hidden; border-radius: 2px;").arg(advBg, queryText)},
        {QStringLiteral("#pushButtonAdvancedSearch"),
         QStringLiteral("background-color: %1; font-weight: 400; font-size: 14px; line-height: 17px; color: %2; border: 0px hidden;").arg(advBg, queryText)},
        {QStringLiteral("#pushButtonAdvancedSearch:pressed"), QStringLiteral("background-color: %1;").arg(advBg)},
        {QStringLiteral("#labelEmptySearch"), QStringLiteral("color: %1;").arg(text)},
        {QStringLiteral("#labelNoResults"), QStringLiteral("color: %1;").arg(text)},
    };
    QString sheet;
    for (const auto &rule : rules) {
        sheet += rule.first + QStringLiteral(" { ") + rule.second + QStringLiteral(" }\n");
    }
    return sheet;
}
}

class MainWindowThemeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void themeFields_data();
    void themeFields();
    void iconsFollowTheTextColor_data();
    void iconsFollowTheTextColor();
    void styleSheetText();
    void placementDropsTheTaskbarBorder();
    void placeholderTakesTheQueryTextColor();
    void missingColorsComeFromThePalette();
    void screenshotShowsTheThemeBackground();

private:
    MainWindow *m_window = nullptr;
};

void MainWindowThemeTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void MainWindowThemeTest::init()
{
    m_window = new MainWindow(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint);
}

void MainWindowThemeTest::cleanup()
{
    delete m_window;
}

void MainWindowThemeTest::themeFields_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("active");
    QTest::addColumn<QString>("activeText");
    QTest::addColumn<QString>("background");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("selectedText");
    QTest::addColumn<QString>("queryBackground");
    QTest::addColumn<QString>("advancedBackground");

    QTest::newRow("ordinary") << "#fafafa"
                              << "#3DAEE9"
                              << "#FFFFFF"
                              << "#fafafa"
                              << "#3daee9"
                              << "#ffffff"
                              << "#3daee9"
                              << "#3daee9";
    QTest::newRow("default theme") << "#4d7593"
                                   << "#2b4f6a"
                                   << "#ffffff"
                                   << "#4d7593"
                                   << "#2b4f6a"
                                   << "#ffffff"
                                   << "#547fa2"
                                   << "#44aee4";
    QTest::newRow("default theme is case-sensitive") << "#4D7593"
                                                     << "#2b4f6a"
                                                     << "#ffffff"
                                                     << "#4D7593"
                                                     << "#2b4f6a"
                                                     << "#ffffff"
                                                     << "#2b4f6a"
                                                     << "#2b4f6a";
    QTest::newRow("colour names pass unchanged") << "white"
                                                 << "navy"
                                                 << "yellow"
                                                 << "white"
                                                 << "#000080"
                                                 << "#ffff00"
                                                 << "#000080"
                                                 << "#000080";
}

void MainWindowThemeTest::themeFields()
{
    QFETCH(QString, menu);
    QFETCH(QString, active);
    QFETCH(QString, activeText);
    QFETCH(QString, background);
    QFETCH(QString, selection);
    QFETCH(QString, selectedText);
    QFETCH(QString, queryBackground);
    QFETCH(QString, advancedBackground);

    const QString text = QStringLiteral("#2E3436");
    m_window->applyTheme(theme(menu, text, active, activeText));

    const ThemeColors *colors = ThemeColors::instance();
    QCOMPARE(colors->backgroundColor(), background);
    QCOMPARE(colors->selectionColor(), selection);
    QCOMPARE(colors->borderColor(), selection);
    QCOMPARE(colors->textColor(), text);
    QCOMPARE(colors->selectedTextColor(), selectedText);
    QCOMPARE(colors->dimTextColor(), QStringLiteral("#262b2d"));
    QCOMPARE(colors->queryTextColor(), text);
    QCOMPARE(colors->queryBackgroundColor(), queryBackground);
    QCOMPARE(colors->advancedSearchBackgroundColor(), advancedBackground);
    QCOMPARE(colors->privilegedPrimaryColor(), QStringLiteral("#880000"));
}

void MainWindowThemeTest::iconsFollowTheTextColor_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dark");
    QTest::newRow("black") << QStringLiteral("#000000") << true;
    QTest::newRow("black by name") << QStringLiteral("black") << true;
    QTest::newRow("near black") << QStringLiteral("#010101") << false;
    QTest::newRow("white") << QStringLiteral("#ffffff") << false;
    // Without a colour the palette's text decides.
    QTest::newRow("no colour") << QStringLiteral("true") << (QGuiApplication::palette().color(QPalette::WindowText) == Qt::black);
}

void MainWindowThemeTest::iconsFollowTheTextColor()
{
    QFETCH(QString, text);
    QFETCH(bool, dark);

    m_window->applyTheme(theme(QStringLiteral("#808080"), text, QStringLiteral("#3daee9"), QStringLiteral("#ffffff")));
    const QString suffix = dark ? QStringLiteral("-dark.svg") : QStringLiteral(".svg");
    const auto *search = m_window->findChild<QPushButton *>(QStringLiteral("pushButtonSearch"));
    const auto *settings = m_window->findChild<QPushButton *>(QStringLiteral("pushButtonSettings"));
    QCOMPARE(iconImage(search->icon()), iconImage(QIcon(QStringLiteral(":/resources/icons/icon-search") + suffix)));
    QCOMPARE(iconImage(settings->icon()), iconImage(QIcon(QStringLiteral(":/resources/icons/settings") + suffix)));
    QVERIFY(iconImage(QIcon(QStringLiteral(":/resources/icons/icon-search.svg")))
            != iconImage(QIcon(QStringLiteral(":/resources/icons/icon-search-dark.svg"))));
}

void MainWindowThemeTest::styleSheetText()
{
    m_window->applyTheme(theme(QStringLiteral("#4d7593"), QStringLiteral("#eeeeee"), QStringLiteral("#1d99f3"), QStringLiteral("#FCFCFC")));
    const QStringList colors{QStringLiteral("#4d7593"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#eeeeee"),
                             QStringLiteral("#fcfcfc"),
                             QStringLiteral("#547fa2"),
                             QStringLiteral("#44aee4"),
                             QStringLiteral("#eeeeee")};
    QCOMPARE(withoutBlanks(m_window->styleSheet()), withoutBlanks(expectedStyleSheet(colors, {1, 1, 1, 1})));
}

void MainWindowThemeTest::placementDropsTheTaskbarBorder()
{
    m_window->applyTheme(theme(QStringLiteral("#ffffff"), QStringLiteral("#000000"), QStringLiteral("#1d99f3"), QStringLiteral("#ffffff")));
    const QStringList colors{QStringLiteral("#ffffff"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#000000"),
                             QStringLiteral("#ffffff"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#1d99f3"),
                             QStringLiteral("#000000")};
    const QList<QList<int>> bordersByPosition{{0, 1, 1, 1}, {1, 1, 1, 0}, {1, 1, 0, 1}, {1, 0, 1, 1}};
    for (int position = 0; position < 4; ++position) {
        m_window->place(QString(), position, 40, 404, 532);
        QCOMPARE(withoutBlanks(m_window->styleSheet()), withoutBlanks(expectedStyleSheet(colors, bordersByPosition[position])));
    }
}

void MainWindowThemeTest::placeholderTakesTheQueryTextColor()
{
    m_window->applyTheme(theme(QStringLiteral("#ffffff"), QStringLiteral("#123456"), QStringLiteral("#1d99f3"), QStringLiteral("#ffffff")));
    const QPalette palette = m_window->findChild<QLineEdit *>(QStringLiteral("lineEditQuery"))->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(palette.color(group, QPalette::PlaceholderText), QColor(QStringLiteral("#123456")));
    }
}

void MainWindowThemeTest::missingColorsComeFromThePalette()
{
    const QString missing = QStringLiteral("true");
    m_window->applyTheme(theme(missing, missing, missing, missing));

    const QPalette palette = QGuiApplication::palette();
    const ThemeColors *colors = ThemeColors::instance();
    QCOMPARE(colors->backgroundColor(), palette.color(QPalette::Active, QPalette::Window).name());
    QCOMPARE(colors->textColor(), palette.color(QPalette::Active, QPalette::WindowText).name());
    QCOMPARE(colors->selectionColor(), palette.color(QPalette::Active, QPalette::Highlight).name());
    QCOMPARE(colors->selectedTextColor(), palette.color(QPalette::Active, QPalette::HighlightedText).name());
    // A selected row stays readable.
    QVERIFY(colors->selectionColor() != colors->selectedTextColor());
    QVERIFY(colors->backgroundColor() != colors->textColor());
    QVERIFY(!m_window->styleSheet().contains(missing));

    // Only what is missing is replaced.
    m_window->applyTheme(theme(QStringLiteral("#202020"), missing, QStringLiteral("#ff0000"), missing));
    QCOMPARE(colors->backgroundColor(), QStringLiteral("#202020"));
    QCOMPARE(colors->selectionColor(), QStringLiteral("#ff0000"));
    QCOMPARE(colors->textColor(), palette.color(QPalette::Active, QPalette::WindowText).name());
}

void MainWindowThemeTest::screenshotShowsTheThemeBackground()
{
    const QColor menu(QStringLiteral("#4d7593"));
    m_window->applyTheme(theme(menu.name(), QStringLiteral("#ffffff"), QStringLiteral("#2b4f6a"), QStringLiteral("#ffffff")));
    m_window->place(QString(), 2, 0, 404, 532);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));

    // The result area, the query line and the advanced search bar, as the X server shows them.
    const QRect frame = m_window->geometry();
    QImage shot;
    QTRY_VERIFY((shot = QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage(),
                 shot.pixelColor(frame.width() / 2, frame.height() / 4) == menu));
    const QWidget *query = m_window->findChild<QWidget *>(QStringLiteral("widgetQuery"));
    const QPoint inQuery = query->mapTo(m_window, QPoint(query->width() / 2, 3));
    QCOMPARE(shot.pixelColor(inQuery), QColor(QStringLiteral("#547fa2")));
    const QWidget *advanced = m_window->findChild<QWidget *>(QStringLiteral("widgetAdvancedSearch"));
    const QPoint inAdvanced = advanced->mapTo(m_window, QPoint(5, advanced->height() / 2));
    QCOMPARE(shot.pixelColor(inAdvanced), QColor(QStringLiteral("#44aee4")));
}

QTEST_MAIN(MainWindowThemeTest)
#include "mainwindowthemetest.moc"
