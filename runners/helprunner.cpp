// SPDX-License-Identifier: GPL-2.0-or-later
#include "helprunner.h"
#include "keyboardlayout.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpSearchEngine>
#include <QLocale>
#include <QRegularExpression>
#include <QTextCodec>
#include <QTextDocumentFragment>
#include <QTimer>

#include <algorithm>

K_PLUGIN_CLASS_WITH_JSON(HelpRunner, "nydhelp.json")

namespace
{
constexpr int s_maxResults = 10;
// The index is local; a search that takes longer than this has gone wrong.
constexpr int s_searchTimeout = 5000;
// How often a running search checks whether its query is still wanted.
constexpr int s_supersededCheckInterval = 50;
constexpr int s_excerptLength = 160;

/**
 * The words typed, as a full-text query where every word has to appear,
 * as a word or the start of one. Quoting keeps the query syntax out.
 */
QString fullTextQuery(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s\"]+"));
    const QStringList words = text.split(separators, Qt::SkipEmptyParts);
    QStringList terms;
    terms.reserve(words.size());
    for (const QString &word : words) {
        terms << QLatin1Char('"') + word + QStringLiteral("\"*");
    }
    return terms.join(QLatin1Char(' '));
}

QString shortened(QString text)
{
    text = text.simplified();
    if (text.size() > s_excerptLength) {
        text = text.left(s_excerptLength - 1) + QChar(0x2026);
    }
    return text;
}

/**
 * A piece of the page around the words found; for a page found by its title,
 * which is all the index quotes then, the start of the page's text.
 */
QString excerpt(const QHelpEngineCore &helpEngine, const QHelpSearchResult &result)
{
    // The index marks the words found in bold and its text is plain otherwise.
    QString snippet = result.snippet();
    snippet.remove(QStringLiteral("<b>")).remove(QStringLiteral("</b>"));
    snippet = snippet.simplified();
    if (!snippet.isEmpty() && snippet != result.title().simplified()) {
        return shortened(snippet);
    }

    const QByteArray html = helpEngine.fileData(result.url());
    QString text = QTextDocumentFragment::fromHtml(QTextCodec::codecForHtml(html, QTextCodec::codecForName("UTF-8"))->toUnicode(html)).toPlainText();
    text = text.simplified();
    // Pages start with their title as a heading.
    if (text.startsWith(result.title())) {
        text = text.mid(result.title().size());
    }
    return shortened(text);
}

/**
 * The first pages in the language the panel speaks, the guide's other language
 * where it has none. Each language is a document of its own, whose namespace
 * ends in the language ("org.nyd.searchpanel.en").
 */
QVector<QHelpSearchResult> inInterfaceLanguage(const QVector<QHelpSearchResult> &results)
{
    const QString suffix = QLocale().language() == QLocale::Russian ? QStringLiteral(".ru") : QStringLiteral(".en");
    QVector<QHelpSearchResult> chosen;
    std::copy_if(results.cbegin(), results.cend(), std::back_inserter(chosen), [&suffix](const QHelpSearchResult &result) {
        return result.url().host().endsWith(suffix);
    });
    return (chosen.isEmpty() ? results : chosen).mid(0, s_maxResults);
}
}

HelpRunner::HelpRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args)
    : Plasma::AbstractRunner(parent, metaData, args)
    // Where HelpSearchEngine keeps the user's indexed copy.
    , m_collectionFile(QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru/nydhelp.qhc"))
{
    setObjectName(QStringLiteral("Help"));
}

void HelpRunner::match(Plasma::RunnerContext &context)
{
    if (fullTextQuery(context.query()).isEmpty()) {
        return;
    }
    const QFileInfo collection(m_collectionFile);
    const QFileInfo index(collection.absolutePath() + QStringLiteral("/.") + collection.completeBaseName() + QStringLiteral("/fts"));
    // Opening a missing collection would create it, and without an index there is nothing to find.
    if (!collection.isReadable() || !index.isReadable() || index.size() == 0) {
        return;
    }

    // The engines belong to this thread for one query; Qt Help searches in a thread of its own.
    QHelpEngineCore helpEngine(m_collectionFile);
    // Set up before the search engine exists: it would take the setup as a cue to reindex.
    if (!helpEngine.setupData()) {
        return;
    }
    QHelpSearchEngine searchEngine(&helpEngine);
    QVector<QHelpSearchResult> results;
    if (!search(&searchEngine, context.query(), context, &results)) {
        return;
    }
    // Typed with the other keyboard layout: asked only when the text as typed finds nothing.
    const QString otherQuery = results.isEmpty() ? otherKeyboardLayout(context.query()) : QString();
    if (!otherQuery.isEmpty() && !search(&searchEngine, otherQuery, context, &results)) {
        return;
    }

    QList<Plasma::QueryMatch> matches;
    matches.reserve(results.size());
    for (int i = 0; i < results.size(); ++i) {
        const QHelpSearchResult &result = results.at(i);
        Plasma::QueryMatch match(this);
        // Below whatever the text as typed finds elsewhere.
        match.setType(otherQuery.isEmpty() ? Plasma::QueryMatch::PossibleMatch : Plasma::QueryMatch::CompletionMatch);
        // Qt Help ranks pages with the words in their title first.
        match.setRelevance(0.6 - 0.01 * i);
        // A key the panel compares; it translates it only where it shows it.
        match.setMatchCategory(QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Help")));
        match.setText(result.title());
        match.setSubtext(excerpt(helpEngine, result));
        match.setIconName(QStringLiteral("help-contents"));
        match.setData(result.url());
        matches << match;
    }
    context.addMatches(matches);
}

// The pages that have the words of @p text; false when the search failed or is no longer wanted.
bool HelpRunner::search(QHelpSearchEngine *searchEngine, const QString &text, const Plasma::RunnerContext &context, QVector<QHelpSearchResult> *results)
{
    QEventLoop loop;
    bool finished = false;
    connect(searchEngine, &QHelpSearchEngine::searchingFinished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    QTimer timeout;
    timeout.setSingleShot(true);
    connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QTimer superseded;
    connect(&superseded, &QTimer::timeout, &loop, [&context, &loop] {
        if (!context.isValid()) {
            loop.quit();
        }
    });

    timeout.start(s_searchTimeout);
    superseded.start(s_supersededCheckInterval);
    searchEngine->search(fullTextQuery(text));
    loop.exec();
    if (!finished || !context.isValid()) {
        searchEngine->cancelSearching();
        return false;
    }
    *results = inInterfaceLanguage(searchEngine->searchResults(0, searchEngine->searchResultCount()));
    return true;
}

#include "helprunner.moc"
