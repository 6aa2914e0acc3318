// SPDX-License-Identifier: GPL-2.0-or-later
#include "baloosettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A key equal to its default is removed from the file, so the defaults are
// those the installed indexer falls back to; Debian's indexer is off until
// switched on.
constexpr bool s_defaultIndexingEnabled = false;
constexpr bool s_defaultOnlyBasicIndexing = false;

// Source code and data files whose text is noise in search results.
const char *const s_sourceCodeMimetypes[] = {
    "application/geo+json",
    "application/javascript",
    "application/json",
    "application/json-patch+json",
    "application/ld+json",
    "application/pgp-encrypted",
    "application/x-awk",
    "application/x-cgi",
    "application/x-csh",
    "application/x-ipynb+json",
    "application/x-java",
    "application/x-javascript",
    "application/x-perl",
    "application/x-php",
    "application/x-python",
    "application/x-sh",
    "application/xml",
    "text/asp",
    "text/css",
    "text/csx",
    "text/jsx",
    "text/vnd.trolltech.linguist",
    "text/x-assembly",
    "text/x-c++hdr",
    "text/x-c++src",
    "text/x-chdr",
    "text/x-cmake",
    "text/x-copying",
    "text/x-csrc",
    "text/x-erlang",
    "text/x-fortran",
    "text/x-haskell",
    "text/x-java",
    "text/x-lua",
    "text/x-objsrc",
    "text/x-pascal",
    "text/x-python",
    "text/x-qml",
    "text/x-readme",
    "text/x-ruby",
    "text/x-scheme",
    "text/x-sed",
    "text/x-yacc",
};

// KConfig reads whatever it finds: a FIFO would block the panel for good.
// Opened as KConfig would, so that permissions count as they do for it.
bool isRegularReadable(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT;
    }
    struct stat info = {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

KSharedConfig::Ptr openFile(bool readable)
{
    // Without a name, the config lives in memory only and cannot be saved.
    return readable ? KSharedConfig::openConfig(QStringLiteral("baloofilerc")) : KSharedConfig::openConfig(QString(), KConfig::SimpleConfig);
}
}

BalooSettings::BalooSettings(QObject *parent)
    : KCoreConfigSkeleton(openFile(isRegularReadable(filePath())), parent)
{
    m_readable = !config()->name().isEmpty();
    setCurrentGroup(QStringLiteral("Basic Settings"));
    addItem(new ItemBool(currentGroup(), QStringLiteral("Indexing-Enabled"), m_indexingEnabled, s_defaultIndexingEnabled), QStringLiteral("indexingEnabled"));

    setCurrentGroup(QStringLiteral("General"));
    addItem(new ItemBool(currentGroup(), QStringLiteral("only basic indexing"), m_onlyBasicIndexing, s_defaultOnlyBasicIndexing),
            QStringLiteral("onlyBasicIndexing"));
    addItem(new ItemBool(currentGroup(), QStringLiteral("index hidden folders"), m_indexHiddenFolders, defaultIndexHiddenFoldersValue_helper()),
            QStringLiteral("indexHiddenFolders"));
    addItem(new ItemPathList(currentGroup(), QStringLiteral("folders"), m_folders, defaultFoldersValue_helper()), QStringLiteral("folders"));
    addItem(new ItemPathList(currentGroup(), QStringLiteral("exclude folders"), m_excludedFolders, defaultExcludedFoldersValue_helper()),
            QStringLiteral("excludedFolders"));
    addItem(new ItemStringList(currentGroup(), QStringLiteral("exclude mimetypes"), m_excludedMimetypes, defaultExcludedMimetypesValue_helper()),
            QStringLiteral("excludedMimetypes"));
}

QString BalooSettings::filePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/baloofilerc");
}

bool BalooSettings::isFileReadable() const
{
    return m_readable;
}

void BalooSettings::load()
{
    m_readable = isRegularReadable(filePath());
    setSharedConfig(openFile(m_readable));
    KCoreConfigSkeleton::load();
}

bool BalooSettings::save()
{
    // A file that could not be read would lose all it holds.
    if (!m_readable) {
        return !isSaveNeeded();
    }
    // Written through a config of its own: after a failed write the shared one,
    // which every load re-reads, would try the write again and again, and KConfig
    // does not come back from a lock it failed to take.
    KConfig file(config()->name(), config()->openFlags(), config()->locationType());
    const KConfigSkeletonItem::List all = items();
    for (KConfigSkeletonItem *item : all) {
        item->writeConfig(&file);
    }
    if (!file.isDirty()) {
        return true;
    }
    if (file.sync()) {
        config()->reparseConfiguration();
        return true;
    }
    file.markAsClean();
    // Back to what the file holds, so nothing unsaved passes for saved.
    KCoreConfigSkeleton::load();
    return false;
}

bool BalooSettings::defaultIndexHiddenFoldersValue_helper()
{
    return false;
}

QStringList BalooSettings::defaultFoldersValue_helper()
{
    return {QDir::homePath() + QLatin1Char('/')};
}

QStringList BalooSettings::defaultExcludedFoldersValue_helper()
{
    return {};
}

QStringList BalooSettings::defaultExcludedMimetypesValue_helper()
{
    QStringList mimetypes;
    for (const char *mimetype : s_sourceCodeMimetypes) {
        mimetypes << QLatin1String(mimetype);
    }
    return mimetypes;
}

template<typename T>
void BalooSettings::assign(T &member, const T &value, const QString &item, void (BalooSettings::*changed)())
{
    if (member == value || isImmutable(item)) {
        return;
    }
    member = value;
    Q_EMIT(this->*changed)();
}

bool BalooSettings::indexingEnabled() const
{
    return m_indexingEnabled;
}

bool BalooSettings::onlyBasicIndexing() const
{
    return m_onlyBasicIndexing;
}

bool BalooSettings::indexHiddenFolders() const
{
    return m_indexHiddenFolders;
}

QStringList BalooSettings::folders() const
{
    return m_folders;
}

QStringList BalooSettings::excludedFolders() const
{
    return m_excludedFolders;
}

QStringList BalooSettings::excludedMimetypes() const
{
    return m_excludedMimetypes;
}

void BalooSettings::setIndexingEnabled(bool enabled)
{
    assign(m_indexingEnabled, enabled, QStringLiteral("indexingEnabled"), &BalooSettings::indexingEnabledChanged);
}

void BalooSettings::setOnlyBasicIndexing(bool basic)
{
    assign(m_onlyBasicIndexing, basic, QStringLiteral("onlyBasicIndexing"), &BalooSettings::onlyBasicIndexingChanged);
}

void BalooSettings::setIndexHiddenFolders(bool hidden)
{
    assign(m_indexHiddenFolders, hidden, QStringLiteral("indexHiddenFolders"), &BalooSettings::indexHiddenFoldersChanged);
}

void BalooSettings::setFolders(const QStringList &folders)
{
    assign(m_folders, folders, QStringLiteral("folders"), &BalooSettings::foldersChanged);
}

void BalooSettings::setExcludedFolders(const QStringList &folders)
{
    assign(m_excludedFolders, folders, QStringLiteral("excludedFolders"), &BalooSettings::excludedFoldersChanged);
}

void BalooSettings::setExcludedMimetypes(const QStringList &mimetypes)
{
    assign(m_excludedMimetypes, mimetypes, QStringLiteral("excludedMimetypes"), &BalooSettings::excludedMimetypesChanged);
}
