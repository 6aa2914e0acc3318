// SPDX-License-Identifier: GPL-2.0-or-later
#include "baloosearchrunner.h"
#include "indexquery_p.h"
#include "indexqueryclient.h"
#include "keyboardlayout.h"

#include <KIO/OpenUrlJob>

#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QUrl>
#include <QtConcurrentRun>
#include <qplatformdefs.h>

#include <algorithm>
#include <array>

K_PLUGIN_CLASS_WITH_JSON(BalooSearchRunner, "nydbaloosearch.json")

namespace
{
enum class Kind {
    Folder,
    Spreadsheet,
    Presentation,
    Audio,
    Video,
    Image,
    Archive,
    Document,
    Text,
    File,
};

// The panel compares these keys and translates them only where it shows them.
QString categoryName(Kind kind)
{
    switch (kind) {
    case Kind::Folder:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Folder"));
    case Kind::Spreadsheet:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Spreadsheet"));
    case Kind::Presentation:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Presentation"));
    case Kind::Audio:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Audio"));
    case Kind::Video:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Video"));
    case Kind::Image:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Image"));
    case Kind::Archive:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Archive"));
    case Kind::Document:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Document"));
    case Kind::Text:
        return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "Text"));
    case Kind::File:
        break;
    }
    return QStringLiteral(QT_TRANSLATE_NOOP("RunnerResultsModel", "File"));
}

bool inheritsAny(const QMimeType &mime, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        if (mime.inherits(QLatin1String(name))) {
            return true;
        }
    }
    return false;
}

// The index files one document under several types, so the kind comes from its MIME type alone.
Kind kindOf(const QMimeType &mime)
{
    const QString name = mime.name();
    if (mime.inherits(QStringLiteral("inode/directory"))) {
        return Kind::Folder;
    }
    if (name.contains(QLatin1String("spreadsheet")) || name.contains(QLatin1String("excel")) || inheritsAny(mime, {"text/csv", "text/tab-separated-values"})) {
        return Kind::Spreadsheet;
    }
    if (name.contains(QLatin1String("presentation")) || name.contains(QLatin1String("powerpoint"))) {
        return Kind::Presentation;
    }
    if (name.startsWith(QLatin1String("audio/"))) {
        return Kind::Audio;
    }
    if (name.startsWith(QLatin1String("video/"))) {
        return Kind::Video;
    }
    if (name.startsWith(QLatin1String("image/"))) {
        return Kind::Image;
    }
    // Office formats are zip files too, so documents go first.
    if (name.contains(QLatin1String("document"))
        || inheritsAny(mime, {"application/pdf", "application/postscript", "application/rtf", "application/msword", "application/epub+zip"})) {
        return Kind::Document;
    }
    if (inheritsAny(mime,
                    {"application/zip",
                     "application/x-tar",
                     "application/gzip",
                     "application/x-bzip",
                     "application/x-xz",
                     "application/zstd",
                     "application/x-7z-compressed",
                     "application/vnd.rar",
                     "application/x-cpio",
                     "application/x-archive"})) {
        return Kind::Archive;
    }
    if (name.startsWith(QLatin1String("text/")) || mime.inherits(QStringLiteral("text/plain"))) {
        return Kind::Text;
    }
    return Kind::File;
}

// Close to how the index compares words: no case, no accents.
QString folded(const QString &text)
{
    // Nothing to decompose in plain ASCII, which most names are.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) {
            return c.unicode() < 0x80;
        })) {
        return text.toCaseFolded();
    }
    static const QRegularExpression marks(QStringLiteral("\\p{Mn}+"));
    return text.normalized(QString::NormalizationForm_KD).remove(marks).toCaseFolded();
}

// Enough for the results of many words typed in a row.
constexpr int s_fileKindCacheSize = 20000;

// Installed beside the desktop's stand-ins, which the panel puts on its PATH.
QString indexQueryProgram()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("nyd-index-query"));
    return found.isEmpty() ? QStringLiteral(NYD_LIBEXEC_DIR "/nyd-index-query") : found;
}
}

struct BalooSearchRunner::FileKind {
    qint64 modifiedNs = 0;
    qint64 size = 0;
    Kind kind = Kind::File;
    QString iconName;
};

BalooSearchRunner::BalooSearchRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args)
    : Plasma::AbstractRunner(parent, metaData, args)
    , m_fileKinds(s_fileKindCacheSize)
    , m_index(std::make_unique<IndexQueryClient>(indexQueryProgram()))
{
    setObjectName(QStringLiteral("Files"));
    connect(this, &Plasma::AbstractRunner::prepare, this, &BalooSearchRunner::warmUp);
}

BalooSearchRunner::~BalooSearchRunner()
{
    m_warming.waitForFinished();
}

// The first lookup loads the MIME database, and the first query starts the
// index's program, which then reads what every search needs. Off the GUI
// thread, which emits the signal: on a large index that takes a while.
void BalooSearchRunner::warmUp()
{
    if (std::exchange(m_warm, true)) {
        return;
    }
    m_warming = QtConcurrent::run([this] {
        QMimeDatabase().mimeTypeForFile(QStringLiteral("warm-up.txt"), QMimeDatabase::MatchExtension);
        m_index->ask(QString());
    });
}

// The same file keeps its kind as long as its time and size stay.
BalooSearchRunner::FileKind BalooSearchRunner::fileKind(const QString &path, qint64 modifiedNs, qint64 size, const QMimeDatabase &mimeDatabase)
{
    {
        QMutexLocker locker(&m_fileKindsLock);
        const FileKind *known = m_fileKinds.object(path);
        if (known && known->modifiedNs == modifiedNs && known->size == size) {
            return *known;
        }
    }
    const QMimeType mime = mimeDatabase.mimeTypeForFile(QFileInfo(path));
    const FileKind found{modifiedNs, size, kindOf(mime), mime.iconName()};
    QMutexLocker locker(&m_fileKindsLock);
    m_fileKinds.insert(path, new FileKind(found));
    return found;
}

void BalooSearchRunner::match(Plasma::RunnerContext &context)
{
    const QString term = context.query().trimmed();
    if (term.isEmpty()) {
        return;
    }
    // The words as typed, and as the other keyboard layout gives them, for the
    // kinds in which only that finds something.
    static const QRegularExpression spaces(QStringLiteral("\\s+"));
    const QString typedTerms[] = {folded(term), folded(otherKeyboardLayout(term))};
    const QStringList typedWords[] = {typedTerms[0].split(spaces, Qt::SkipEmptyParts), typedTerms[1].split(spaces, Qt::SkipEmptyParts)};

    const QMimeDatabase mimeDatabase;
    QSet<QString> seen;
    std::array<int, int(Kind::File) + 1> counts{};
    QList<Plasma::QueryMatch> matches;
    // The newest files of any kind, then of each kind the index has, newest first,
    // so that every kind gets its share of results.
    const QVector<QStringList> found = m_index->ask(term);
    for (const QStringList &paths : found) {
        const bool otherLayout = paths.value(0) == QLatin1String(s_otherLayoutMark);
        const QString &foldedTerm = typedTerms[otherLayout];
        const QStringList &words = typedWords[otherLayout];
        for (int i = otherLayout ? 1 : 0; i < paths.size(); ++i) {
            if (!context.isValid()) {
                return;
            }
            const QString &path = paths.at(i);
            if (seen.contains(path)) {
                continue;
            }
            seen.insert(path);

            // The index may still list what was deleted a moment ago. Plain numbers:
            // a QFileInfo's time, made local, costs more than the rest of a result.
            QT_STATBUF status;
            if (QT_STAT(QFile::encodeName(path).constData(), &status) != 0) {
                continue;
            }
            const qint64 modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
            const FileKind file = fileKind(path, modifiedNs, status.st_size, mimeDatabase);
            // Newer first among files of a kind: the lists keep the index's order.
            const int rank = counts.at(int(file.kind))++;
            if (rank >= s_maxPerCategory) {
                continue;
            }

            const QFileInfo info(path);
            const QString name = folded(info.fileName());
            const bool nameMatches = std::all_of(words.cbegin(), words.cend(), [&name](const QString &word) {
                return name.contains(word);
            });
            const bool exact = nameMatches && (name == foldedTerm || folded(info.completeBaseName()) == foldedTerm);
            // Names first, longer typed parts of a name first; the index's order breaks ties.
            qreal relevance = nameMatches ? 0.7 + 0.2 * std::min<qreal>(1, qreal(foldedTerm.size()) / name.size()) : 0.4;
            relevance -= 0.001 * rank;

            Plasma::QueryMatch match(this);
            // Below whatever the text as typed finds elsewhere.
            match.setType(otherLayout ? Plasma::QueryMatch::CompletionMatch : exact ? Plasma::QueryMatch::ExactMatch : Plasma::QueryMatch::PossibleMatch);
            match.setRelevance(relevance);
            match.setMatchCategory(categoryName(file.kind));
            match.setText(info.fileName());
            match.setSubtext(info.absoluteFilePath());
            match.setIconName(file.iconName);
            match.setData(QUrl::fromLocalFile(info.absoluteFilePath()));
            matches << match;
        }
    }
    context.addMatches(matches);
}

void BalooSearchRunner::run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match)
{
    Q_UNUSED(context)
    auto *job = new KIO::OpenUrlJob(match.data().toUrl());
    job->start();
}

#include "baloosearchrunner.moc"
