// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchsettings.h"

#include <QSettings>

namespace
{
const QString s_indexApplicationsKey = QStringLiteral("indexApplications");
const QString s_indexDocumentsKey = QStringLiteral("indexDocuments");
const QString s_indexMediaKey = QStringLiteral("indexMedia");
const QString s_limitIndexSizeKey = QStringLiteral("limitIndexSize");
const QString s_indexSizeLimitKey = QStringLiteral("indexSizeLimit");
const QString s_idleModeIndexingKey = QStringLiteral("idleModeIndexing");
}

SearchSettings::SearchSettings(QObject *parent)
    : QObject(parent)
{
}

SearchSettings::SearchSettings(const SearchSettings &other)
    : QObject(other.parent())
    , m_indexApplications(other.m_indexApplications)
    , m_indexDocuments(other.m_indexDocuments)
    , m_indexMedia(other.m_indexMedia)
    , m_limitIndexSize(other.m_limitIndexSize)
    , m_indexSizeLimit(other.m_indexSizeLimit)
    , m_idleModeIndexing(other.m_idleModeIndexing)
{
}

bool SearchSettings::indexApplications() const
{
    return m_indexApplications;
}

bool SearchSettings::indexDocuments() const
{
    return m_indexDocuments;
}

bool SearchSettings::indexMedia() const
{
    return m_indexMedia;
}

bool SearchSettings::limitIndexSize() const
{
    return m_limitIndexSize;
}

qint64 SearchSettings::indexSizeLimit() const
{
    return m_indexSizeLimit;
}

bool SearchSettings::idleModeIndexing() const
{
    return m_idleModeIndexing;
}

void SearchSettings::setIndexApplications(bool enabled)
{
    m_indexApplications = enabled;
}

void SearchSettings::setIndexDocuments(bool enabled)
{
    m_indexDocuments = enabled;
}

void SearchSettings::setIndexMedia(bool enabled)
{
    m_indexMedia = enabled;
}

void SearchSettings::setLimitIndexSize(bool enabled)
{
    m_limitIndexSize = enabled;
}

void SearchSettings::setIndexSizeLimit(qint64 gigabytes)
{
    m_indexSizeLimit = gigabytes;
}

void SearchSettings::setIdleModeIndexing(bool enabled)
{
    m_idleModeIndexing = enabled;
}

void SearchSettings::load()
{
    const QSettings settings;
    m_indexApplications = settings.value(s_indexApplicationsKey, m_indexApplications).toBool();
    m_indexDocuments = settings.value(s_indexDocumentsKey, m_indexDocuments).toBool();
    m_indexMedia = settings.value(s_indexMediaKey, m_indexMedia).toBool();
    m_limitIndexSize = settings.value(s_limitIndexSizeKey, m_limitIndexSize).toBool();
    // Read as an int: a limit beyond 32 bits does not come back intact.
    m_indexSizeLimit = static_cast<qint64>(settings.value(s_indexSizeLimitKey, m_indexSizeLimit).toInt());
    m_idleModeIndexing = settings.value(s_idleModeIndexingKey, m_idleModeIndexing).toBool();
}

void SearchSettings::save()
{
    QSettings settings;
    settings.setValue(s_indexApplicationsKey, m_indexApplications);
    settings.setValue(s_indexDocumentsKey, m_indexDocuments);
    settings.setValue(s_indexMediaKey, m_indexMedia);
    settings.setValue(s_limitIndexSizeKey, m_limitIndexSize);
    settings.setValue(s_indexSizeLimitKey, m_indexSizeLimit);
    settings.setValue(s_idleModeIndexingKey, m_idleModeIndexing);
    settings.sync();
}

bool SearchSettings::operator==(const SearchSettings &other) const
{
    return m_indexApplications == other.m_indexApplications && m_indexDocuments == other.m_indexDocuments && m_indexMedia == other.m_indexMedia
        && m_limitIndexSize == other.m_limitIndexSize && m_indexSizeLimit == other.m_indexSizeLimit && m_idleModeIndexing == other.m_idleModeIndexing;
}

bool SearchSettings::operator!=(const SearchSettings &other) const
{
    return !(*this == other);
}
