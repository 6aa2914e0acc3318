// SPDX-License-Identifier: GPL-2.0-or-later
// The menu's copies of an application go into folders a fresh home lacks.
#include "mainwindow.h"
#include "nydcore.h"
#include "resultsmodel.h"
#include "testhelpers.h"

#include <QApplication>
#include <QListView>
#include <QMenu>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class StandInFoldersTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }

    void copyCreatesTheFolder_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("folder");

        QTest::newRow("shortcut on the desktop") << QStringLiteral("Add shortcut to &Desktop") << int(NydDesktopDir);
        QTest::newRow("pin on the taskbar") << QStringLiteral("Pin on &Taskbar") << int(NydTaskbarLaunchersDir);
    }

    void copyCreatesTheFolder()
    {
        QFETCH(QString, entry);
        QFETCH(int, folder);

        const QTemporaryDir files;
        const QString desktopFile = files.filePath(QStringLiteral("nyd-notes.desktop"));
        QVERIFY(TestHelpers::writeFile(desktopFile, "[Desktop Entry]\nType=Application\nName=Notes\nExec=nyd-notes\n"));
        const QString destination = QString::fromStdString(GetNydDir(NydDir(folder)));
        QVERIFY(!destination.isEmpty() && QDir(destination).removeRecursively());

        MainWindow window(nullptr, Qt::FramelessWindowHint);
        QStandardItemModel model;
        auto *item = new QStandardItem(QStringLiteral("Notes"));
        item->setData(false, ResultsModel::IsCategoryRole);
        item->setData(QStringLiteral("Applications"), ResultsModel::CategoryRole);
        item->setData(QUrl::fromLocalFile(desktopFile), ResultsModel::DataRole);
        model.appendRow(item);
        auto *list = window.findChild<QListView *>(QStringLiteral("listViewSearchResults"));
        list->setModel(&model);
        // The panel's delegate reads its own model, not this one.
        list->setItemDelegate(new QStyledItemDelegate(list));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        bool picked = false;
        QTimer::singleShot(0, this, [&] {
            QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            const auto actions = menu->actions();
            for (QAction *action : actions) {
                if (action->text() == entry) {
                    action->trigger();
                    picked = true;
                }
            }
            menu->close();
        });
        window.showResultMenu(list->visualRect(model.index(0, 0)).center());
        QVERIFY(picked);
        QCOMPARE(TestHelpers::readFile(destination + QStringLiteral("/nyd-notes.desktop")), TestHelpers::readFile(desktopFile));
        // Later tests of the session find the desktop as it was made for them.
        QVERIFY(QDir().mkpath(destination));
    }
};

QTEST_MAIN(StandInFoldersTest)

#include "standinfolderstest.moc"
