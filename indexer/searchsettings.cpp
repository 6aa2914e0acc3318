// SPDX-License-Identifier: GPL-2.0-or-later
#include "searchsettings.h"

#include <QSettings>

#include <utility>

namespace
{
const QString s_indexApplicationsKey = QStringLiteral("indexApplications");
const QString s_indexDocumentsKey = QStringLiteral("indexDocuments");
const QString s_indexMediaKey = QStringLiteral("indexMedia");
const QString s_limitIndexSizeKey = QStringLiteral("limitIndexSize");
const QString s_indexSizeLimitKey = QStringLiteral("indexSizeLimit");
const QString s_idleModeIndexingKey = QStringLiteral("idleModeIndexing");

// Only what save() writes counts; "garbage" is no yes.
bool readBool(const QSettings &settings, const QString &key, bool fallback)
{
    const QVariant value = settings.value(key);
    if (value.type() == QVariant::Bool) {
        return value.toBool();
    }
    const QString text = value.toString();
    return text == QLatin1String("true") ? true : text == QLatin1String("false") ? false : fallback;
}
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
    m_indexApplications = readBool(settings, s_indexApplicationsKey, m_indexApplications);
    m_indexDocuments = readBool(settings, s_indexDocumentsKey, m_indexDocuments);
    m_indexMedia = readBool(settings, s_indexMediaKey, m_indexMedia);
    m_limitIndexSize = readBool(settings, s_limitIndexSizeKey, m_limitIndexSize);
    bool number = false;
    const qint64 limit = settings.value(s_indexSizeLimitKey).toLongLong(&number);
    if (number && limit >= MinIndexSizeLimit && limit <= MaxIndexSizeLimit) {
        m_indexSizeLimit = limit;
    }
    m_idleModeIndexing = readBool(settings, s_idleModeIndexingKey, m_idleModeIndexing);
}

bool SearchSettings::save()
{
    QSettings settings;
    // Without an organisation name Qt reports an error from the start; the
    // application sets one, so only then can a failed write be told apart.
    const bool errorAlready = settings.status() != QSettings::NoError;
    const QList<std::pair<QString, QVariant>> values{{s_indexApplicationsKey, m_indexApplications},
                                                     {s_indexDocumentsKey, m_indexDocuments},
                                                     {s_indexMediaKey, m_indexMedia},
                                                     {s_limitIndexSizeKey, m_limitIndexSize},
                                                     {s_indexSizeLimitKey, m_indexSizeLimit},
                                                     {s_idleModeIndexingKey, m_idleModeIndexing}};
    QList<QVariant> before;
    for (const auto &[key, value] : values) {
        before << settings.value(key);
        settings.setValue(key, value);
    }
    settings.sync();
    if (errorAlready ? settings.isWritable() : settings.status() == QSettings::NoError) {
        return true;
    }
    // The process keeps one copy of the file for every QSettings: without this,
    // the next load would read the unsaved values as saved.
    for (int i = 0; i < values.size(); ++i) {
        before.at(i).isValid() ? settings.setValue(values.at(i).first, before.at(i)) : settings.remove(values.at(i).first);
    }
    return false;
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
