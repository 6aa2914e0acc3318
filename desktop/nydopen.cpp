// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-open -e TARGET: opens a URL, file, folder or application entry with the
// user's default handler.

#include "programerror.h"

#include <KApplicationTrader>
#include <KDesktopFile>
#include <KIO/ApplicationLauncherJob>
#include <KIO/Job>
#include <KIO/OpenUrlJob>
#include <KLocalizedString>
#include <KService>

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

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

QUrl targetUrl(const QString &target)
{
    // An existing local name wins over text that merely looks like a URL ("notes:today.txt").
    const QFileInfo local(target);
    if (local.exists() || local.isSymLink()) {
        return QUrl::fromLocalFile(local.absoluteFilePath());
    }
    const QUrl url(target, QUrl::TolerantMode);
    if (url.isValid() && url.scheme().size() > 1) {
        return url;
    }
    return QUrl::fromLocalFile(local.absoluteFilePath());
}

bool isApplicationEntry(const QString &path)
{
    return KDesktopFile::isDesktopFile(path) && KDesktopFile(path).hasApplicationType();
}

// Waits for the job; empty on success, else what went wrong.
QString runToEnd(KJob *job)
{
    // Kept alive past its result so its error can still be read.
    job->setAutoDelete(false);
    const std::unique_ptr<KJob> owner(job);
    return job->exec() ? QString() : jobError(job);
}
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("nyd-open"));

    QCommandLineParser parser;
    parser.setApplicationDescription(i18n("Opens a file, folder, URL or application entry with its default handler."));
    parser.addHelpOption();
    const QCommandLineOption targetOption(QStringLiteral("e"), i18n("The file, folder, URL or application entry to open."), i18n("target"));
    parser.addOption(targetOption);
    parser.process(app);

    const QStringList targets = parser.values(targetOption);
    if (targets.size() != 1 || targets.constFirst().isEmpty() || !parser.positionalArguments().isEmpty()) {
        return failWith(i18n("usage: nyd-open -e <file, folder, URL or application entry>"));
    }

    const QUrl url = targetUrl(targets.constFirst());
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (!info.exists()) {
            return failWith(i18n("%1 does not exist", path));
        }
        if (isApplicationEntry(path)) {
            // Outside the menus KIO runs only executable entries, as for any KDE program.
            const QString error = runToEnd(new KIO::ApplicationLauncherJob(KService::Ptr(new KService(path))));
            return error.isEmpty() ? 0 : failWith(error);
        }
    }

    // Nobody can answer questions here: with no handler KIO gives up instead of asking.
    auto *job = new KIO::OpenUrlJob(url);
    QString mimeType;
    QObject::connect(job, &KIO::OpenUrlJob::mimeTypeFound, job, [&mimeType](const QString &type) {
        mimeType = type;
    });
    const QString error = runToEnd(job);
    if (error.isEmpty()) {
        return 0;
    }
    if (!mimeType.isEmpty() && !KApplicationTrader::preferredService(mimeType)) {
        return failWith(i18n("no application is set up to open %1 (%2)", url.toDisplayString(QUrl::PreferLocalFile), mimeType));
    }
    return failWith(error);
}
