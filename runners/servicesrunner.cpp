// SPDX-License-Identifier: GPL-2.0-or-later
#include "servicesrunner.h"
#include "keyboardlayout.h"

#include <KApplicationTrader>
#include <KIO/ApplicationLauncherJob>
#include <KIO/DesktopExecParser>
#include <KSycoca>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <tuple>

K_PLUGIN_CLASS_WITH_JSON(ServicesRunner, "nydservices.json")

namespace
{
// A single letter matches half of all names; it only finds names that start with it.
constexpr int s_fullSearchLength = 2;
// Shorter words are one slip away from too many others.
constexpr int s_typoLength = 5;

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

// One letter missing, extra or wrong, or two neighbours swapped; both case-folded.
bool isOneSlipAway(QStringView word, QStringView typed)
{
    const int lengthDifference = int(word.size() - typed.size());
    if (std::abs(lengthDifference) > 1) {
        return false;
    }
    int same = 0;
    while (same < word.size() && same < typed.size() && word.at(same) == typed.at(same)) {
        ++same;
    }
    if (lengthDifference != 0) {
        const QStringView longer = lengthDifference > 0 ? word : typed;
        const QStringView shorter = lengthDifference > 0 ? typed : word;
        return longer.mid(same + 1) == shorter.mid(same);
    }
    if (same == word.size()) {
        return false;
    }
    const bool swapped = same + 1 < word.size() && word.at(same) == typed.at(same + 1) && word.at(same + 1) == typed.at(same);
    return word.mid(same + (swapped ? 2 : 1)) == typed.mid(same + (swapped ? 2 : 1));
}

// The words of a text long enough to be typed with a slip, case-folded.
QStringList slipWords(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[^\\p{L}\\p{N}]+"));
    QStringList words = text.toCaseFolded().split(separators, Qt::SkipEmptyParts);
    words.erase(std::remove_if(words.begin(),
                               words.end(),
                               [](const QString &word) {
                                   return word.size() < s_typoLength - 1;
                               }),
                words.end());
    return words;
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
    QStringList nameWords;
    QStringList otherWords; // of the generic name and the executable
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
        const QString executable = KIO::DesktopExecParser::executableName(service->exec());
        m_applications.append({service->name(),
                               service->genericName(),
                               executable,
                               service->keywords(),
                               service->comment().isEmpty() ? service->genericName() : service->comment(),
                               service->icon(),
                               desktopFilePath(service),
                               slipWords(service->name()),
                               slipWords(service->genericName() + QLatin1Char(' ') + executable)});
    }
    m_applicationsRead = written;
    return m_applications;
}

ServicesRunner::Score ServicesRunner::score(const Application &application, const QString &term)
{
    const bool prefixOnly = term.size() < s_fullSearchLength;
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
    return {relevance, nameScore >= 1};
}

qreal ServicesRunner::slipScore(const Application &application, const QString &foldedTerm)
{
    const auto has = [&foldedTerm](const QStringList &words) {
        return std::any_of(words.cbegin(), words.cend(), [&foldedTerm](const QString &word) {
            return isOneSlipAway(word, foldedTerm);
        });
    };
    // Graded like a hit inside the text, below it.
    const qreal typed = 0.1 * std::min<qreal>(1, qreal(foldedTerm.size()) / application.name.size());
    return has(application.nameWords) ? 0.2 + typed : has(application.otherWords) ? 0.8 * (0.2 + typed) : 0;
}

void ServicesRunner::match(Plasma::RunnerContext &context)
{
    const QString term = context.query().trimmed();
    if (term.isEmpty()) {
        return;
    }
    // Typed with the other keyboard layout: counts only when the text as typed finds nothing.
    const QString otherTerm = otherKeyboardLayout(term);
    const QString slipTerm = term.size() >= s_typoLength && !term.contains(QLatin1Char(' ')) ? term.toCaseFolded() : QString();

    const QVector<Application> all = applications();
    QList<Plasma::QueryMatch> matches;
    // Slips and the other layout come after every match of the text as typed.
    QVector<std::tuple<const Application *, qreal, qreal>> fallbacks;
    for (const Application &application : all) {
        if (!context.isValid()) {
            return;
        }
        const Score typed = score(application, term);
        if (typed.relevance > 0) {
            matches << makeMatch(application, typed.exact ? Plasma::QueryMatch::ExactMatch : Plasma::QueryMatch::PossibleMatch, typed.relevance);
            continue;
        }
        const qreal slip = slipTerm.isEmpty() ? 0 : slipScore(application, slipTerm);
        const qreal other = otherTerm.isEmpty() ? 0 : score(application, otherTerm).relevance;
        if (slip > 0 || other > 0) {
            fallbacks.append({&application, slip, other});
        }
    }
    const bool typedFound = !matches.isEmpty();
    for (const auto &[application, slip, other] : fallbacks) {
        const qreal relevance = std::max(slip, typedFound ? 0 : other);
        if (relevance > 0) {
            matches << makeMatch(*application, Plasma::QueryMatch::CompletionMatch, relevance);
        }
    }
    context.addMatches(matches);
}

Plasma::QueryMatch ServicesRunner::makeMatch(const Application &application, Plasma::QueryMatch::Type type, qreal relevance)
{
    Plasma::QueryMatch match(this);
    match.setType(type);
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
    return match;
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
