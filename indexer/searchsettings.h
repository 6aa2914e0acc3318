// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SEARCHSETTINGS_H
#define SEARCHSETTINGS_H

#include <QObject>

/**
 * The panel's own file-search preferences, a value with explicit load and save
 * in the application's default settings store.
 */
class SearchSettings : public QObject
{
    Q_OBJECT
public:
    // The limits, in GB, the settings dialog offers; a stored limit outside reads as the default.
    static constexpr qint64 MinIndexSizeLimit = 1;
    static constexpr qint64 MaxIndexSizeLimit = 100000;

    explicit SearchSettings(QObject *parent = nullptr);
    SearchSettings(const SearchSettings &other);

    bool indexApplications() const;
    bool indexDocuments() const;
    bool indexMedia() const;
    bool limitIndexSize() const;
    qint64 indexSizeLimit() const;
    bool idleModeIndexing() const;

    void setIndexApplications(bool enabled);
    void setIndexDocuments(bool enabled);
    void setIndexMedia(bool enabled);
    void setLimitIndexSize(bool enabled);
    void setIndexSizeLimit(qint64 gigabytes);
    void setIdleModeIndexing(bool enabled);

    void load();
    // False when the file could not be written; the values stay unsaved.
    bool save();

    bool operator==(const SearchSettings &other) const;
    bool operator!=(const SearchSettings &other) const;

private:
    bool m_indexApplications = true;
    bool m_indexDocuments = true;
    bool m_indexMedia = true;
    bool m_limitIndexSize = false;
    qint64 m_indexSizeLimit = 3;
    bool m_idleModeIndexing = false;
};

#endif
