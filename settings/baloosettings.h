// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOSETTINGS_H
#define BALOOSETTINGS_H

#include <KCoreConfigSkeleton>

/**
 * The file indexer's settings in "baloofilerc", under the groups and keys the
 * indexer itself reads. Keys it does not own stay as they are on save, and so
 * do the keys not set since the last load.
 */
class BalooSettings : public KCoreConfigSkeleton
{
    Q_OBJECT
public:
    explicit BalooSettings(QObject *parent = nullptr);

    // These stand in for the skeleton's own: a file that is no regular readable
    // file reads as the defaults and is never written, and a failed save
    // leaves nothing pending behind (see save()).
    void load();
    bool save();
    bool isFileReadable() const;
    static QString filePath();

    bool indexingEnabled() const;
    bool onlyBasicIndexing() const;
    bool indexHiddenFolders() const;
    QStringList folders() const;
    QStringList excludedFolders() const;
    QStringList excludedMimetypes() const;

    void setIndexingEnabled(bool enabled);
    void setOnlyBasicIndexing(bool basic);
    void setIndexHiddenFolders(bool hidden);
    void setFolders(const QStringList &folders);
    void setExcludedFolders(const QStringList &folders);
    void setExcludedMimetypes(const QStringList &mimetypes);

    bool isIndexingEnabledImmutable() const
    {
        return isImmutable(QStringLiteral("indexingEnabled"));
    }
    bool isOnlyBasicIndexingImmutable() const
    {
        return isImmutable(QStringLiteral("onlyBasicIndexing"));
    }
    bool isIndexHiddenFoldersImmutable() const
    {
        return isImmutable(QStringLiteral("indexHiddenFolders"));
    }
    bool isFoldersImmutable() const
    {
        return isImmutable(QStringLiteral("folders"));
    }
    bool isExcludedFoldersImmutable() const
    {
        return isImmutable(QStringLiteral("excludedFolders"));
    }
    bool isExcludedMimetypesImmutable() const
    {
        return isImmutable(QStringLiteral("excludedMimetypes"));
    }

    static bool defaultIndexHiddenFoldersValue_helper();
    static QStringList defaultFoldersValue_helper();
    static QStringList defaultExcludedFoldersValue_helper();
    static QStringList defaultExcludedMimetypesValue_helper();

Q_SIGNALS:
    void indexingEnabledChanged();
    void onlyBasicIndexingChanged();
    void indexHiddenFoldersChanged();
    void foldersChanged();
    void excludedFoldersChanged();
    void excludedMimetypesChanged();

private:
    template<typename T>
    void assign(T &member, const T &value, const QString &item, void (BalooSettings::*changed)());

    bool m_readable = true;
    bool m_indexingEnabled;
    bool m_onlyBasicIndexing;
    bool m_indexHiddenFolders;
    QStringList m_folders;
    QStringList m_excludedFolders;
    QStringList m_excludedMimetypes;
};

#endif
