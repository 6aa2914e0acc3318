// SPDX-License-Identifier: GPL-2.0-or-later
// nyd-fops --copy SOURCE FOLDER/: copies a file or folder into a folder,
// never over something that is already there.
//
// The copy is made under a hidden staging folder inside the destination and
// moved to its name in one step that refuses to replace, so the name is
// either absent or complete, even against a concurrent writer.

#include "programerror.h"

#include <KIO/CopyJob>
#include <KLocalizedString>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace
{
QString localPath(const QString &argument)
{
    const QUrl url(argument, QUrl::TolerantMode);
    const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool occupied(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isSameOrInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// 0 or an errno value.
int moveWithoutReplacing(const QString &from, const QString &to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int error = errno;
    if (error != EINVAL && error != ENOSYS && error != ENOTSUP) {
        return error;
    }
    // File systems without the flag: a hard link refuses to replace as well.
    if (::link(source.constData(), target.constData()) != 0) {
        return errno;
    }
    ::unlink(source.constData());
    return 0;
}
}

int main(int argc, char **argv)
{
    // The file worker's debug chatter would bury the one-line message; a rule set by the user still wins.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES")) {
        qputenv("QT_LOGGING_RULES", "kf.kio.*.debug=false");
    }
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("nyd-fops"));

    QCommandLineParser parser;
    parser.setApplicationDescription(i18n("Copies a file or folder into a folder without overwriting anything."));
    parser.addHelpOption();
    const QCommandLineOption copyOption(QStringLiteral("copy"), i18n("Copy the source into the destination folder."));
    parser.addOption(copyOption);
    parser.addPositionalArgument(QStringLiteral("source"), i18n("The file or folder to copy."));
    parser.addPositionalArgument(QStringLiteral("destination"), i18n("The folder to copy into."));
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    if (!parser.isSet(copyOption) || arguments.size() != 2) {
        return failWith(i18n("usage: nyd-fops --copy <file> <destination folder>"));
    }

    const QString source = localPath(arguments.at(0));
    const QString destination = localPath(arguments.at(1));
    const QFileInfo sourceInfo(source);
    if (!occupied(source)) {
        return failWith(i18n("%1 does not exist", source));
    }
    if (!QFileInfo(destination).isDir()) {
        return failWith(i18n("%1 is not a folder", destination));
    }
    const QString target = QDir(destination).filePath(sourceInfo.fileName());
    if (occupied(target)) {
        return failWith(i18n("%1 already exists", target));
    }
    if (sourceInfo.isDir() && !sourceInfo.isSymLink() && isSameOrInside(QFileInfo(destination).canonicalFilePath(), sourceInfo.canonicalFilePath())) {
        return failWith(i18n("cannot copy %1 into itself", source));
    }

    // Removed with whatever it holds on every way out, failures included.
    QTemporaryDir staging(QDir(destination).filePath(QStringLiteral(".nyd-fops-XXXXXX")));
    if (!staging.isValid()) {
        return failWith(i18n("cannot write into %1: %2", destination, staging.errorString()));
    }
    const QString staged = staging.filePath(sourceInfo.fileName());

    KIO::CopyJob *job = KIO::copyAs(QUrl::fromLocalFile(source), QUrl::fromLocalFile(staged), KIO::HideProgressInfo);
    // No one to ask: every question ends the job with its error.
    job->setUiDelegate(nullptr);
    job->setAutoDelete(false);
    const std::unique_ptr<KIO::CopyJob> owner(job);
    if (!job->exec()) {
        return failWith(job->errorString());
    }

    if (const int error = moveWithoutReplacing(staged, target)) {
        if (error == EEXIST || error == ENOTEMPTY) {
            return failWith(i18n("%1 already exists", target));
        }
        return failWith(i18n("cannot create %1: %2", target, QString::fromLocal8Bit(std::strerror(error))));
    }
    return 0;
}
