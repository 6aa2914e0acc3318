// SPDX-License-Identifier: GPL-2.0-or-later
#include "runnerresultsmodel.h"

#include "desktopcommand.h"
#include "resultsmodel.h"
#include "searchsettings.h"
#include "themecolors.h"

#include <KRunner/RunnerContext>
#include <KRunner/RunnerManager>
#include <KSharedConfig>

#include <QBrush>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>
#include <QLocale>
#include <QSet>
#include <QSettings>
#include <QSize>
#include <QStandardPaths>
#include <qplatformdefs.h>

#include <algorithm>

namespace
{
const QString s_runnerConfigFile = QStringLiteral("/usr/share/nyd-search/krunnerrc");
const QString s_applications = QStringLiteral("Applications");
const QString s_help = QStringLiteral("Help");
// Keys stay untranslated, like the runners' own; only the shown text is translated.
const QString s_bestMatch = QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Best match"));
constexpr int s_reservedCategories = 15;
constexpr int s_reservedBucket = 30;
constexpr int s_bestMatchCount = 3;
constexpr int s_rowHeight = 42;
constexpr int s_fontPixelSize = 16;
constexpr int s_iconSize = 24;
// Far more than the kinds of files and applications a few queries show.
constexpr int s_maxCachedIcons = 256;
constexpr int s_bestMatchBoost = 100000;
constexpr int s_applicationsBoost = 10000;
// The runner library's own state, which it restores its launch counts from.
const QString s_launchCountsFile = QStringLiteral("krunnerstaterc");
const char s_launchCountsGroup[] = "PlasmaRunnerManager";
const char s_launchCountsKey[] = "LaunchCounts";

QFont rowFont()
{
    QFont font;
    font.setPixelSize(s_fontPixelSize);
    return font;
}

bool isWanted(const QString &category, const SearchSettings &settings)
{
    static const QSet<QString> documents{QStringLiteral("Spreadsheet"),
                                         QStringLiteral("Presentation"),
                                         QStringLiteral("Document"),
                                         QStringLiteral("Archive"),
                                         QStringLiteral("Text")};
    static const QSet<QString> media{QStringLiteral("Audio"), QStringLiteral("Image"), QStringLiteral("Video")};
    if (!settings.indexApplications() && category == s_applications) {
        return false;
    }
    if (!settings.indexDocuments() && documents.contains(category)) {
        return false;
    }
    return settings.indexMedia() || !media.contains(category);
}

bool weaker(const Plasma::QueryMatch &left, const Plasma::QueryMatch &right)
{
    if (left.type() != right.type()) {
        return left.type() < right.type();
    }
    if (qFuzzyCompare(left.relevance(), right.relevance())) {
        return false;
    }
    return left.relevance() < right.relevance();
}
}

RunnerResultsModel::RunnerResultsModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_manager(new Plasma::RunnerManager(s_runnerConfigFile, this))
    , m_launchCounts(KSharedConfig::openConfig(s_launchCountsFile, KConfig::NoGlobals, QStandardPaths::GenericDataLocation)->group(s_launchCountsGroup))
{
    m_manager->enableKNotifyPluginWatcher();
    m_manager->searchContext()->restore(m_launchCounts);
    connect(m_manager, &Plasma::RunnerManager::matchesChanged, this, &RunnerResultsModel::onMatchesChanged);
    connect(m_manager, &Plasma::RunnerManager::queryFinished, this, [this] {
        setQuerying(false);
        takeLaunchCounts();
    });
    connect(m_manager, &Plasma::RunnerManager::setSearchTerm, this, &RunnerResultsModel::queryStringChangeRequested);
    m_categories.reserve(s_reservedCategories);
    m_matches.reserve(s_reservedCategories);
}

RunnerResultsModel::~RunnerResultsModel() = default;

QString RunnerResultsModel::queryString() const
{
    return m_queryString;
}

void RunnerResultsModel::setQueryString(const QString &queryString, const QString &runner)
{
    if (queryString.trimmed() == m_queryString.trimmed() && runner == m_runner) {
        return;
    }
    m_runner = runner;
    m_queryString = queryString;
    if (queryString.isEmpty()) {
        clear();
    } else if (!queryString.trimmed().isEmpty()) {
        m_manager->launchQuery(queryString, runner);
        setQuerying(true);
    }
    Q_EMIT queryStringChanged(queryString);
}

bool RunnerResultsModel::querying() const
{
    return m_querying;
}

void RunnerResultsModel::setQuerying(bool querying)
{
    if (m_querying == querying) {
        return;
    }
    m_querying = querying;
    Q_EMIT queryingChanged();
}

RunnerResultsModel::Grouping RunnerResultsModel::grouping() const
{
    return m_grouping;
}

void RunnerResultsModel::setGrouping(Grouping grouping)
{
    m_grouping = grouping;
}

void RunnerResultsModel::clear()
{
    m_manager->reset();
    m_manager->matchSessionComplete();
    setQuerying(false);
    beginResetModel();
    m_categories.clear();
    m_matches.clear();
    endResetModel();
}

void RunnerResultsModel::countLaunch(const QString &matchId)
{
    if (matchId.isEmpty()) {
        return;
    }
    // Each entry is a count, a blank and the id, as RunnerContext::save writes them.
    QStringList counts = m_launchCounts.readEntry(s_launchCountsKey, QStringList());
    int count = 0;
    for (auto entry = counts.begin(); entry != counts.end(); ++entry) {
        const int blank = entry->indexOf(QLatin1Char(' '));
        if (blank > 0 && entry->midRef(blank + 1) == matchId) {
            count = entry->leftRef(blank).toInt();
            counts.erase(entry);
            break;
        }
    }
    counts << QString::number(count + 1) + QLatin1Char(' ') + matchId;
    // What the user opens is theirs alone; the file keeps its mode when it is written anew.
    QFile::setPermissions(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + s_launchCountsFile,
                          QFile::ReadOwner | QFile::WriteOwner);
    m_launchCounts.writeEntry(s_launchCountsKey, counts);
    m_launchCounts.sync();
    m_launchCountsTaken = false;
    if (!m_querying) {
        takeLaunchCounts();
    }
}

// Runners read the counts while they match, so they change between queries only.
void RunnerResultsModel::takeLaunchCounts()
{
    if (!std::exchange(m_launchCountsTaken, true)) {
        m_manager->searchContext()->restore(m_launchCounts);
    }
}

Plasma::RunnerManager *RunnerResultsModel::runnerManager() const
{
    return m_manager;
}

// Read again whenever the file changed, so that what the settings dialog saved
// applies at once: telling that costs far less than reading it on every update.
const SearchSettings &RunnerResultsModel::searchSettings()
{
    if (m_settingsFile.isEmpty()) {
        m_settingsFile = QFile::encodeName(QSettings().fileName());
    }
    QT_STATBUF status;
    std::array<qint64, 5> state{};
    if (QT_STAT(m_settingsFile.constData(), &status) == 0) {
        state = {qint64(status.st_dev), qint64(status.st_ino), qint64(status.st_size), qint64(status.st_mtim.tv_sec), qint64(status.st_mtim.tv_nsec)};
    }
    if (!m_settings || state != m_settingsFileState) {
        m_settings = std::make_unique<SearchSettings>();
        m_settings->load();
        m_settingsFileState = state;
    }
    return *m_settings;
}

void RunnerResultsModel::onMatchesChanged(const QList<Plasma::QueryMatch> &matches)
{
    const SearchSettings &settings = searchSettings();

    QVector<Plasma::QueryMatch> all;
    all.reserve(matches.size());
    QHash<QString, QVector<Plasma::QueryMatch>> buckets;
    buckets.reserve(s_reservedCategories);
    for (const Plasma::QueryMatch &match : matches) {
        const QString category = match.matchCategory();
        if (!isWanted(category, settings)) {
            continue;
        }
        auto bucket = buckets.find(category);
        if (bucket == buckets.end()) {
            bucket = buckets.insert(category, {});
            bucket->reserve(s_reservedBucket);
        }
        bucket->append(match);
        all.append(match);
    }

    if (!all.isEmpty()) {
        // Fuzzy equality is not transitive; a merge sort stays safe with it.
        std::stable_sort(all.begin(), all.end(), weaker);
        QVector<Plasma::QueryMatch> best;
        bool hasHelp = false;
        for (auto it = all.crbegin(); it != all.crend() && best.size() < s_bestMatchCount; ++it) {
            hasHelp = hasHelp || it->matchCategory() == s_help;
            best.append(*it);
        }
        // A help page, when there is one, always reaches the best matches.
        const auto help = buckets.constFind(s_help);
        if (!hasHelp && help != buckets.cend() && !help->isEmpty()) {
            best[s_bestMatchCount - 1] = help->first();
        }
        buckets.insert(s_bestMatch, best);
    }

    beginResetModel();
    m_matches = buckets;
    m_categories = buckets.keys();
    endResetModel();
    Q_EMIT matchesChanged();
}

Plasma::QueryMatch RunnerResultsModel::fetchMatch(const QModelIndex &index) const
{
    const int categoryRow = int(index.internalId()) - 1;
    if (categoryRow < 0 || categoryRow >= m_categories.count()) {
        return Plasma::QueryMatch(nullptr);
    }
    const auto bucket = m_matches.constFind(m_categories.at(categoryRow));
    if (bucket == m_matches.cend() || index.row() < 0 || index.row() >= bucket->count()) {
        return Plasma::QueryMatch(nullptr);
    }
    return bucket->at(index.row());
}

QModelIndex RunnerResultsModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column != 0) {
        return {};
    }
    if (parent.isValid()) {
        if (parent.column() > 0 || parent.internalId() != 0 || parent.row() >= m_categories.count()) {
            return {};
        }
        if (row < m_matches.value(m_categories.at(parent.row())).count()) {
            return createIndex(row, 0, quintptr(parent.row() + 1));
        }
        return {};
    }
    if (row < m_categories.count()) {
        return createIndex(row, 0, quintptr(0));
    }
    return {};
}

QModelIndex RunnerResultsModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == 0) {
        return {};
    }
    return createIndex(int(child.internalId()) - 1, 0, quintptr(0));
}

int RunnerResultsModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    if (!parent.isValid()) {
        return m_categories.count();
    }
    if (parent.internalId() != 0 || parent.row() >= m_categories.count()) {
        return 0;
    }
    return m_matches.value(m_categories.at(parent.row())).count();
}

int RunnerResultsModel::columnCount(const QModelIndex &parent) const
{
    Q_UNUSED(parent)
    return 1;
}

QVariant RunnerResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    if (index.internalId() == 0) {
        if (index.row() >= m_categories.count()) {
            return {};
        }
        return categoryData(m_categories.at(index.row()), role);
    }
    if (int(index.internalId()) - 1 >= m_categories.count()) {
        return {};
    }
    const Plasma::QueryMatch match = fetchMatch(index);
    if (!match.isValid()) {
        return {};
    }
    return matchData(match, role);
}

QVariant RunnerResultsModel::categoryData(const QString &category, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return tr(category.toUtf8().constData());
    case Qt::FontRole:
        return rowFont();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return QBrush(QColor(ThemeColors::instance()->dimTextColor()));
    case Qt::SizeHintRole:
        return QSize(0, s_rowHeight);
    case ResultsModel::IsCategoryRole:
        return true;
    case ResultsModel::TypeRole: {
        if (m_grouping == FixedGrouping && category == s_bestMatch) {
            return s_bestMatchBoost;
        }
        if (m_grouping == FixedGrouping && category == s_applications) {
            return s_applicationsBoost;
        }
        int type = 0;
        for (const Plasma::QueryMatch &match : m_matches.value(category)) {
            type = std::max(type, int(match.type()));
        }
        return type;
    }
    case ResultsModel::RelevanceRole: {
        qreal relevance = 0.0;
        for (const Plasma::QueryMatch &match : m_matches.value(category)) {
            relevance = std::max(relevance, match.relevance());
        }
        if (m_grouping == FixedGrouping && category == s_bestMatch) {
            relevance += s_bestMatchBoost;
        } else if (m_grouping == FixedGrouping && category == s_applications) {
            relevance += s_applicationsBoost;
        }
        return relevance;
    }
    default:
        return {};
    }
}

QVariant RunnerResultsModel::matchData(const Plasma::QueryMatch &match, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return match.text();
    case Qt::DecorationRole:
        if (match.iconName().isEmpty()) {
            return match.icon();
        }
        return iconPixmap(match.iconName());
    case Qt::ToolTipRole:
        return toolTip(match);
    case Qt::FontRole:
        return rowFont();
    case Qt::SizeHintRole:
        return QSize(0, s_rowHeight);
    case ResultsModel::IdRole:
        return match.id();
    case ResultsModel::TypeRole:
        return int(match.type());
    case ResultsModel::RelevanceRole:
        return match.relevance();
    case ResultsModel::EnabledRole:
        return match.isEnabled();
    case ResultsModel::CategoryRole:
        return match.matchCategory();
    case ResultsModel::SubtextRole:
        return match.subtext();
    case ResultsModel::MultiLineRole:
        return match.isMultiLine();
    case ResultsModel::IsCategoryRole:
        return false;
    case ResultsModel::DataRole:
        return match.data();
    case ResultsModel::CommandRole:
        return desktopEntryCommand(match.data().toUrl().toLocalFile());
    default:
        return {};
    }
}

QPixmap RunnerResultsModel::iconPixmap(const QString &iconName) const
{
    // The theme's name in the key: another theme makes other icons.
    const QString key = QIcon::themeName() + QLatin1Char('/') + iconName;
    auto cached = m_iconPixmaps.constFind(key);
    if (cached != m_iconPixmaps.cend()) {
        return *cached;
    }
    if (m_iconPixmaps.size() >= s_maxCachedIcons) {
        m_iconPixmaps.clear();
    }
    const QPixmap pixmap = QIcon::fromTheme(iconName, QIcon::fromTheme(QStringLiteral("system-run"))).pixmap(s_iconSize, s_iconSize, QIcon::Normal, QIcon::Off);
    m_iconPixmaps.insert(key, pixmap);
    return pixmap;
}

QString RunnerResultsModel::toolTip(const Plasma::QueryMatch &match) const
{
    // Names, paths and excerpts are anyone's text: as markup, an image source
    // in them would have the tool tip open whatever file it names.
    const QString subtext = match.subtext();
    const QFileInfo file(subtext);
    // Only a real file or folder has a name, a size and times to show.
    if (match.matchCategory() == s_help || !QDir::isAbsolutePath(subtext) || !file.exists()) {
        return QStringLiteral("<p>") + subtext.toHtmlEscaped() + QStringLiteral("</p>");
    }
    const auto time = [](const QDateTime &dateTime) {
        return QLocale::system().toString(dateTime, QLocale::ShortFormat);
    };
    return tr("<table><tr><td align='right'><b>Name:</b></td><td align='left'>%1</td></tr>"
              "<tr><td align='right'><b>Path:</b></td><td align='left'>%2</td></tr>"
              "<tr><td align='right'><b>Size:</b></td><td align='left'>%3</td></tr>"
              "<tr><td align='right'><b>Opened:</b></td><td align='left'>%4</td></tr>"
              "<tr><td align='right'><b>Created:</b></td><td align='left'>%5</td></tr>"
              "<tr><td align='right'><b>Modified:</b></td><td align='left'>%6</td></tr></table>")
        .arg(file.fileName().toHtmlEscaped(),
             subtext.toHtmlEscaped(),
             QLocale().formattedDataSize(file.size(), 2, QLocale::DataSizeTraditionalFormat),
             time(file.lastRead()),
             time(file.birthTime()),
             time(file.lastModified()));
}

Qt::ItemFlags RunnerResultsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return QAbstractItemModel::flags(index);
    }
    if (data(index, ResultsModel::IsCategoryRole).toBool()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = QAbstractItemModel::flags(index);
    if (fetchMatch(index).isValid()) {
        flags |= Qt::ItemIsDragEnabled;
    }
    return flags;
}

QStringList RunnerResultsModel::mimeTypes() const
{
    static const QStringList types{QStringLiteral("text/uri-list")};
    return types;
}

QMimeData *RunnerResultsModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty()) {
        return nullptr;
    }
    const Plasma::QueryMatch match = fetchMatch(indexes.first());
    if (!match.isValid()) {
        return nullptr;
    }
    return m_manager->mimeDataForMatch(match);
}

Qt::DropActions RunnerResultsModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::LinkAction;
}
