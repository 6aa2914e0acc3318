// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-props -s PATH: the properties dialog of a file or folder; ends when the
// dialog closes, after any changes made in it are applied.

#include "programerror.h"

#include <KFileItem>
#include <KLocalizedString>
#include <KPropertiesDialog>

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("nyd-props"));

    QCommandLineParser parser;
    parser.setApplicationDescription(i18n("Shows the properties of a file or folder."));
    parser.addHelpOption();
    const QCommandLineOption pathOption(QStringLiteral("s"), i18n("The file or folder to show."), i18n("path"));
    parser.addOption(pathOption);
    parser.process(app);

    const QStringList paths = parser.values(pathOption);
    if (paths.size() != 1 || paths.constFirst().isEmpty() || !parser.positionalArguments().isEmpty()) {
        return failWith(i18n("usage: nyd-props -s <path>"));
    }
    const QUrl asUrl(paths.constFirst(), QUrl::TolerantMode);
    const QFileInfo info(asUrl.isLocalFile() ? asUrl.toLocalFile() : paths.constFirst());
    if (!info.exists() && !info.isSymLink()) {
        return failWith(i18n("%1 does not exist", info.absoluteFilePath()));
    }

    // The dialog deletes itself once closed; changes are applied before it says so.
    auto *dialog = new KPropertiesDialog(KFileItem(QUrl::fromLocalFile(info.absoluteFilePath())));
    QObject::connect(dialog, &KPropertiesDialog::propertiesClosed, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    dialog->show();
    return app.exec();
}
