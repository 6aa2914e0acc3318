// SPDX-License-Identifier: GPL-2.0-or-later
#include "servicesrunner.h"

#include <KApplicationTrader>
#include <KIO/ApplicationLauncherJob>
#include <KIO/DesktopExecParser>
#include <KSycoca>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

K_PLUGIN_CLASS_WITH_JSON(ServicesRunner, "nydservices.json")

namespace
{
// A single letter matches half of all names; it only finds names that start with it.
constexpr int s_fullSearchLength = 2;

/**
 * How well @p text matches @p term: 1 when equal, then a prefix, a word that
 * starts with it and anything containing it, each graded by how much of the
 * text was typed; 0 when it does not match.
 */
qreal textScore(const QString &text, const QString &term, bool prefixOnly)
{
    if (text.isEmpty() || term.size() > text.size()) {
        return 0;
    }
    if (text.compare(term, Qt::CaseInsensitive) == 0) {
        return 1;
    }
    const qreal typed = qreal(term.size()) / text.size();
    if (text.startsWith(term, Qt::CaseInsensitive)) {
        return 0.8 + 0.1 * typed;
    }
    bool found = false;
    for (int index = text.indexOf(term, 1, Qt::CaseInsensitive); index > 0; index = text.indexOf(term, index + 1, Qt::CaseInsensitive)) {
        if (!text.at(index - 1).isLetterOrNumber()) {
            return 0.6 + 0.1 * typed;
        }
        found = true;
    }
    if (!found || prefixOnly) {
        return 0;
    }
    return 0.4 + 0.1 * typed;
}

QString desktopFilePath(const KService::Ptr &service)
{
    const QString path = service->entryPath();
    if (QDir::isAbsolutePath(path)) {
        return path;
    }
    return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, path);
}
}

struct ServicesRunner::Application {
    QString name;
    QString genericName;
    QString executable;
    QStringList keywords;
    QString subtext;
    QString icon;
    QString path;
};

ServicesRunner::ServicesRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args)
    : Plasma::AbstractRunner(parent, metaData, args)
{
    setObjectName(QStringLiteral("Applications"));
    connect(this, &Plasma::AbstractRunner::prepare, this, &ServicesRunner::applications);
}

ServicesRunner::~ServicesRunner() = default;

QVector<ServicesRunner::Application> ServicesRunner::applications()
{
    QMutexLocker locker(&m_applicationsLock);
    // Rebuilt by kbuildsycoca5 whenever applications come or go.
    const QDateTime written = QFileInfo(KSycoca::absoluteFilePath()).lastModified();
    if (written.isValid() && written == m_applicationsRead) {
        return m_applications;
    }
    // NoDisplay entries exist for other programs' sake; Hidden ones count as removed.
    const KService::List services = KApplicationTrader::query([](const KService::Ptr &service) {
        return !service->noDisplay() && !service->isDeleted() && service->showOnCurrentPlatform() && !service->exec().isEmpty();
    });
    m_applications.clear();
    m_applications.reserve(services.size());
    for (const KService::Ptr &service : services) {
        m_applications.append({service->name(),
                               service->genericName(),
                               KIO::DesktopExecParser::executableName(service->exec()),
                               service->keywords(),
                               service->comment().isEmpty() ? service->genericName() : service->comment(),
                               service->icon(),
                               desktopFilePath(service)});
    }
    m_applicationsRead = written;
    return m_applications;
}

void ServicesRunner::match(Plasma::RunnerContext &context)
{
    const QString term = context.query().trimmed();
    if (term.isEmpty()) {
        return;
    }
    const bool prefixOnly = term.size() < s_fullSearchLength;

    const QVector<Application> all = applications();
    QList<Plasma::QueryMatch> matches;
    for (const Application &application : all) {
        if (!context.isValid()) {
            return;
        }

        const qreal nameScore = textScore(application.name, term, prefixOnly);
        qreal relevance = nameScore;
        if (!prefixOnly) {
            // People mostly type the name, so a hit elsewhere weighs less than the same hit there.
            relevance = std::max(relevance, 0.8 * textScore(application.genericName, term, false));
            relevance = std::max(relevance, 0.8 * textScore(application.executable, term, false));
            for (const QString &keyword : application.keywords) {
                relevance = std::max(relevance, 0.6 * textScore(keyword, term, false));
            }
        }
        if (relevance <= 0) {
            continue;
        }

        Plasma::QueryMatch match(this);
        match.setType(nameScore >= 1 ? Plasma::QueryMatch::ExactMatch : Plasma::QueryMatch::PossibleMatch);
        match.setRelevance(relevance);
        // A key the panel compares; it translates it only where it shows it.
        match.setMatchCategory(QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Applications")));
        match.setText(application.name);
        match.setSubtext(application.subtext);
        match.setIconName(application.icon);
        match.setData(QUrl::fromLocalFile(application.path));
        // The runner library keeps one match per id; entries that run the same
        // command are still different applications.
        match.setId(application.path);
        matches << match;
    }
    context.addMatches(matches);
}

void ServicesRunner::run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match)
{
    Q_UNUSED(context)
    const KService::Ptr service(new KService(match.data().toUrl().toLocalFile()));
    if (!service->isValid()) {
        return;
    }
    auto *job = new KIO::ApplicationLauncherJob(service);
    job->start();
}

#include "servicesrunner.moc"
