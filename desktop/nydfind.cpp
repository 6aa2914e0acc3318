// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-find -d: the desktop's advanced file search, the user's file manager on
// a search of the home folder.
//
// KDE's file managers search by file name through "filenamesearch:" URLs,
// which work without the indexer (a "baloosearch:" view stays empty while it
// is off). Where that worker is missing, or the file manager cannot list KIO
// URLs, the home folder itself is opened: its search is one Ctrl+F away.

#include "programerror.h"

#include <KApplicationTrader>
#include <KIO/DesktopExecParser>
#include <KIO/Job>
#include <KIO/OpenUrlJob>
#include <KLocalizedString>
#include <KProtocolInfo>
#include <KService>

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>
#include <QUrl>
#include <QUrlQuery>

#include <memory>

namespace
{
// Launcher jobs carry KIO's error codes without KIO's wording for them.
QString jobError(const KJob *job)
{
    if (job->error() > KJob::UserDefinedError) {
        return KIO::buildErrorString(job->error(), job->errorText());
    }
    return job->errorString();
}

QUrl searchView(const KService &fileManager)
{
    const QUrl home = QUrl::fromLocalFile(QDir::homePath());
    const QString scheme = QStringLiteral("filenamesearch");
    if (!KProtocolInfo::isKnownProtocol(scheme)) {
        return home;
    }
    QUrl search;
    search.setScheme(scheme);
    search.setPath(QStringLiteral("/"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("url"), home.url());
    search.setQuery(query);
    if (!KIO::DesktopExecParser::isProtocolInSupportedList(search, KIO::DesktopExecParser::supportedProtocols(fileManager))) {
        return home;
    }
    return search;
}
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("nyd-find"));

    QCommandLineParser parser;
    parser.setApplicationDescription(i18n("Opens the file manager's file search on the home folder."));
    parser.addHelpOption();
    const QCommandLineOption searchOption(QStringLiteral("d"), i18n("Search the home folder."));
    parser.addOption(searchOption);
    parser.process(app);
    if (!parser.isSet(searchOption) || !parser.positionalArguments().isEmpty()) {
        return failWith(i18n("usage: nyd-find -d"));
    }

    const QString folderType = QStringLiteral("inode/directory");
    const KService::Ptr fileManager = KApplicationTrader::preferredService(folderType);
    if (!fileManager) {
        return failWith(i18n("no file manager is set up to open folders"));
    }

    // The type is given, so no worker has to look at the URL first.
    auto *job = new KIO::OpenUrlJob(searchView(*fileManager), folderType);
    job->setAutoDelete(false);
    const std::unique_ptr<KJob> owner(job);
    if (!job->exec()) {
        return failWith(jobError(job));
    }
    return 0;
}
