// SPDX-License-Identifier: GPL-2.0-or-later
#include "nydcore.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <map>

void nydInit(const char *version, const char *description)
{
    if (version) {
        QCoreApplication::setApplicationVersion(QString::fromUtf8(version));
    }

    // QSettings() refuses to work without an organisation.
    QCoreApplication::setOrganizationName(QStringLiteral("nyd"));

    if (QCoreApplication::applicationName().isEmpty()) {
        // No application object yet, so nothing has taken the name from argv[0].
        const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
        QCoreApplication::setApplicationName(QFileInfo(executable).fileName());
    }

    if (description && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        const QString title = QString::fromUtf8(description).section(QLatin1Char('\n'), 0, 0).trimmed();
        if (!title.isEmpty()) {
            QGuiApplication::setApplicationDisplayName(title);
        }
    }
}

namespace
{
// The search panel's own guide: its collection, as the help search copies it
// for the user or as installed, and the page of each of its topics.
bool showPanelGuide(const QString &topic)
{
    const QString page = topic == QLatin1String("nyd-search-panel") ? QStringLiteral("filesearch.html")
        : topic == QLatin1String("kcm_nydsearch")                   ? QStringLiteral("searching.html")
                                                                    : QString();
    QString collection = QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc");
    if (!QFileInfo::exists(collection)) {
        collection = QStringLiteral("/usr/share/doc/nyd/qthelp/ru/nydhelp.qhc");
    }
    if (page.isEmpty() || !QFileInfo::exists(collection)) {
        return false;
    }
    const QString language = QLocale().language() == QLocale::Russian ? QStringLiteral("ru") : QStringLiteral("en");
    const QString url = QStringLiteral("qthelp://org.nyd.searchpanel.%1/nyd-search-panel-%1/%1/").arg(language) + page;
    return QProcess::startDetached(QStringLiteral("assistant"), {QStringLiteral("-collectionFile"), collection, QStringLiteral("-showUrl"), url});
}
}

void nydHelpShow(const QString &topic)
{
    if (showPanelGuide(topic)) {
        return;
    }
    const QString address = QStringLiteral("help:/") + topic;
    // startDetached() fails when the viewer cannot be executed, which is when the
    // desktop's own URL handling gets its turn.
    if (QProcess::startDetached(QStringLiteral("khelpcenter"), {address})) {
        return;
    }
    QDesktopServices::openUrl(QUrl(address));
}

const std::string &GetNydDir(NydDir which)
{
    // Callers keep the reference, so each selector owns one string for good.
    static std::map<NydDir, std::string> s_dirs;
    static const std::string s_unknown;

    const QString home = QDir::homePath();
    QString path;
    switch (which) {
    case NydConfigDir:
        path = home + QStringLiteral("/.nyd");
        break;
    case NydThemeDir:
        path = home + QStringLiteral("/.nyd/theme");
        break;
    case NydDesktopDir:
        path = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        break;
    case NydDocumentsDir:
        path = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        break;
    case NydTaskbarLaunchersDir: {
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (!data.isEmpty()) {
            path = data + QStringLiteral("/nyd/taskbar");
        }
        break;
    }
    case NydHomeDir:
        path = home;
        break;
    default:
        return s_unknown;
    }

    std::string &dir = s_dirs[which];
    dir = path.isEmpty() ? std::string() : QDir::cleanPath(path).toStdString();
    return dir;
}

std::string nydSessionConfigSuffix(WhatNydSession which)
{
    Q_UNUSED(which)
    // Every session here shares one configuration.
    return std::string();
}
