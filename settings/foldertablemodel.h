// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FOLDERTABLEMODEL_H
#define FOLDERTABLEMODEL_H

#include <QAbstractTableModel>
#include <QSet>

class BalooSettings;

/**
 * The folders the file indexer indexes or skips, one row each: the folder,
 * whether it is indexed, and room for a delete button. At least one folder
 * stays indexed; the home folder is the fallback.
 */
class FolderTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit FolderTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Shows the lists; unless they are the saved ones, they count as edits.
    void setFolderLists(const QStringList &folders, const QStringList &excludedFolders, bool saved = true);
    // Writes the folders edited since the saved lists into settings, over what they hold.
    void save(BalooSettings *settings);

    void addFolder(const QString &path, bool included);
    void includeFolder(const QString &path);
    void excludeFolder(const QString &path);
    void removeFolder(const QString &path);

    QString folderPath(const QModelIndex &index) const;
    bool isIncluded(const QString &path) const;
    bool isHomeLocked(const QString &path) const;
    bool isChanged() const;

    static QString ensureTrailingSlash(const QString &path);

private:
    QString displayPath(const QString &path) const;
    QString iconName(const QString &path) const;
    QString toolTip(const QString &path) const;
    QString homeRelative(const QString &path) const;
    void setFolderState(const QString &path, bool included);
    void ensureHomeIncluded();
    void rowChanged(int row);

    const QString m_home;
    const QSet<QString> m_homeOnly;
    QStringList m_folders;
    QSet<QString> m_savedFolders;
    QSet<QString> m_included;
    QSet<QString> m_savedIncluded;
};

#endif
