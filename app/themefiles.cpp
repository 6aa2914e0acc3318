// SPDX-License-Identifier: GPL-2.0-or-later
#include "themefiles.h"

#include "nydcore.h"
#include "userprobes.h"

#include <KConfig>
#include <KConfigGroup>
#include <QFile>
#include <QHash>

#include <ctime>
#include <sys/stat.h>

namespace
{
constexpr off_t MaxThemeFileSize = 1024 * 1024;

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};

    bool operator==(const FileIdentity &other) const
    {
        return device == other.device && inode == other.inode && size == other.size && modified.tv_sec == other.modified.tv_sec
            && modified.tv_nsec == other.modified.tv_nsec;
    }
};

struct CachedFile {
    FileIdentity identity;
    // Written at least a second before it was read: a later write, even within
    // the file system's coarse clock tick, gets another time stamp.
    bool settled = false;
    QMap<QString, QString> variables;
};
}

ThemeFiles locateThemeFiles()
{
    QString desktopDir;
    QString themeDir;
    const QString home = realUserHome();
    if (!home.isNull()) {
        desktopDir = home + QStringLiteral("/.nyd");
        themeDir = home + QStringLiteral("/.nyd/theme");
    } else {
        desktopDir = QString::fromStdString(GetNydDir(NydConfigDir));
        themeDir = QString::fromStdString(GetNydDir(NydThemeDir));
    }
    const QString suffix = QString::fromStdString(nydSessionConfigSuffix(NydCurrentSession));
    return {themeDir + QStringLiteral("/current.themerc") + suffix, desktopDir + QStringLiteral("/paletterc")};
}

QMap<QString, QString> readThemeVariables(const QString &path)
{
    static QHash<QString, CachedFile> cache;
    const QByteArray encoded = QFile::encodeName(path);
    struct stat st;
    if (path.isEmpty() || ::stat(encoded.constData(), &st) != 0) {
        cache.remove(path);
        return {};
    }
    const FileIdentity identity{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    const auto cached = cache.constFind(path);
    if (cached != cache.constEnd() && cached->settled && cached->identity == identity) {
        return cached->variables;
    }

    CachedFile file{identity, st.st_mtim.tv_sec < std::time(nullptr) - 1, {}};
    // A FIFO would block the read for good, a huge file slow every command.
    if (!S_ISREG(st.st_mode) || st.st_size > MaxThemeFileSize) {
        qWarning("%s is not a regular file of at most 1 MiB, so its colours are ignored", encoded.constData());
    } else {
        // Plain text: QSettings would build whatever object an "@Variant(…)"
        // value claims to be, however large, before anyone sees it is no colour.
        file.variables = KConfig(path, KConfig::SimpleConfig).group(QStringLiteral("Variables")).entryMap();
    }
    cache.insert(path, file);
    return file.variables;
}
