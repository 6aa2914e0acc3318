// SPDX-License-Identifier: GPL-2.0-or-later
#include "foldertablemodel.h"
#include "baloosettings.h"

#include <QDir>
#include <QIcon>

namespace
{
constexpr int s_columnCount = 3;

QSet<QString> toSet(const QStringList &list)
{
    return QSet<QString>(list.cbegin(), list.cend());
}
}

FolderTableModel::FolderTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_home(ensureTrailingSlash(QDir::homePath()))
    , m_homeOnly({m_home})
{
}

QString FolderTableModel::ensureTrailingSlash(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

int FolderTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_folders.size();
}

int FolderTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : s_columnCount;
}

QVariant FolderTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_folders.size()) {
        return {};
    }
    const QString &path = m_folders.at(index.row());
    if (index.column() == 0) {
        switch (role) {
        case Qt::DisplayRole:
            return displayPath(path);
        case Qt::DecorationRole:
            return QIcon::fromTheme(iconName(path));
        case Qt::ToolTipRole:
            return toolTip(path);
        case Qt::WhatsThisRole:
            return path;
        }
    } else if (index.column() == 1 && role == Qt::DisplayRole) {
        return m_included.contains(path) ? tr("Indexed") : tr("Not indexed");
    }
    return {};
}

Qt::ItemFlags FolderTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return isHomeLocked(folderPath(index)) ? flags & ~Qt::ItemIsEnabled : flags;
}

QString FolderTableModel::homeRelative(const QString &path) const
{
    return path.startsWith(m_home) ? QStringLiteral("~/") + path.mid(m_home.size()) : path;
}

QString FolderTableModel::displayPath(const QString &path) const
{
    return homeRelative(path.size() > 1 ? path.chopped(1) : path);
}

QString FolderTableModel::iconName(const QString &path) const
{
    if (path == m_home) {
        return QStringLiteral("user-home");
    }
    return path == QLatin1String("/") ? QStringLiteral("drive-harddisk") : QStringLiteral("folder");
}

QString FolderTableModel::toolTip(const QString &path) const
{
    // A tool tip that looks like markup is shown as such: a folder may be named "<b>x</b>".
    return isHomeLocked(path) ? tr("At least one folder must be included to be able to exclude home folder")
                              : QStringLiteral("<p>") + homeRelative(path).toHtmlEscaped() + QStringLiteral("</p>");
}

void FolderTableModel::setFolderLists(const QStringList &folders, const QStringList &excludedFolders, bool saved)
{
    QStringList included;
    for (const QString &folder : folders) {
        included << ensureTrailingSlash(folder);
    }
    beginResetModel();
    m_folders = included;
    for (const QString &folder : excludedFolders) {
        m_folders << ensureTrailingSlash(folder);
    }
    m_included = toSet(included);
    if (saved) {
        m_savedFolders = toSet(m_folders);
        m_savedIncluded = m_included;
    }
    std::sort(m_folders.begin(), m_folders.end());
    endResetModel();
}

void FolderTableModel::save(BalooSettings *settings)
{
    // Only the folders edited here move, over the lists as the settings hold
    // them now: the indexer's own tool may have written since they were shown.
    const QSet<QString> all = toSet(m_folders);
    QSet<QString> touched;
    for (const QString &path : all + m_savedFolders) {
        if (all.contains(path) != m_savedFolders.contains(path) || m_included.contains(path) != m_savedIncluded.contains(path)) {
            touched.insert(path);
        }
    }
    if (!touched.isEmpty()) {
        QStringList included;
        QStringList excluded;
        const auto keep = [&touched](const QStringList &from, QStringList &to) {
            for (const QString &path : from) {
                if (!touched.contains(ensureTrailingSlash(path))) {
                    to << path;
                }
            }
        };
        keep(settings->folders(), included);
        keep(settings->excludedFolders(), excluded);
        for (const QString &path : std::as_const(m_folders)) {
            if (touched.contains(path)) {
                (m_included.contains(path) ? included : excluded) << path;
            }
        }
        settings->setFolders(included);
        settings->setExcludedFolders(excluded);
    }
}

void FolderTableModel::setFolderState(const QString &path, bool included)
{
    const QString folder = ensureTrailingSlash(path);
    if (folder == m_home && m_included == m_homeOnly) {
        return;
    }
    const int row = m_folders.indexOf(folder);
    if (row < 0) {
        beginInsertRows(QModelIndex(), m_folders.size(), m_folders.size());
        m_folders << folder;
        if (included) {
            m_included.insert(folder);
        }
        endInsertRows();
        return;
    }
    if (included) {
        m_included.insert(folder);
    } else {
        m_included.remove(folder);
    }
    rowChanged(row);
}

void FolderTableModel::ensureHomeIncluded()
{
    if (m_included.isEmpty()) {
        setFolderState(m_home, true);
    }
}

void FolderTableModel::rowChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, s_columnCount - 1));
}

void FolderTableModel::addFolder(const QString &path, bool included)
{
    setFolderState(path, included);
    ensureHomeIncluded();
}

void FolderTableModel::includeFolder(const QString &path)
{
    const int row = m_folders.indexOf(path);
    if (row >= 0) {
        m_included.insert(path);
        rowChanged(row);
    }
}

void FolderTableModel::excludeFolder(const QString &path)
{
    const int row = m_folders.indexOf(path);
    if (row >= 0) {
        m_included.remove(path);
        rowChanged(row);
    }
    ensureHomeIncluded();
}

void FolderTableModel::removeFolder(const QString &path)
{
    const int row = m_folders.indexOf(path);
    if (row >= 0) {
        beginRemoveRows(QModelIndex(), row, row);
        m_folders.removeAt(row);
        m_included.remove(path);
        endRemoveRows();
    }
    ensureHomeIncluded();
}

QString FolderTableModel::folderPath(const QModelIndex &index) const
{
    return index.isValid() ? m_folders.value(index.row()) : QString();
}

bool FolderTableModel::isIncluded(const QString &path) const
{
    return m_included.contains(path);
}

bool FolderTableModel::isHomeLocked(const QString &path) const
{
    return path == m_home && m_included == m_homeOnly;
}

bool FolderTableModel::isChanged() const
{
    return toSet(m_folders) != m_savedFolders || m_included != m_savedIncluded;
}
