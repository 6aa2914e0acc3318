// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELPSEARCHENGINE_H
#define HELPSEARCHENGINE_H

#include <QObject>
#include <QString>

class QHelpEngineCore;
class QHelpSearchEngine;

/**
 * Keeps the user's copy of the help collection and its full-text index.
 *
 * The installed collection is read-only and Qt Help writes its index next to
 * the collection it opens, so the collection is copied into the user's data
 * folder once and indexed there; the help runner searches that copy.
 */
class HelpSearchEngine : public QObject
{
    Q_OBJECT
public:
    /// The process-wide engine, created on first use from the main thread.
    static HelpSearchEngine *instance();

    ~HelpSearchEngine() override;

    /// The user's copy of the collection, whether it exists yet or not.
    QString collectionFile() const;

    /**
     * Copies the collection and starts building its index unless both are
     * already in place. Returns at once; indexingFinished() tells the end.
     */
    void prepare();

Q_SIGNALS:
    void indexingFinished();

private Q_SLOTS:
    void onIndexingFinished();

private:
    HelpSearchEngine();

    QString indexPath() const;

    QString m_sourceCollection;
    QString m_userFolder;
    QString m_collectionFile;
    QHelpEngineCore *m_helpEngine = nullptr;
    QHelpSearchEngine *m_searchEngine = nullptr;

    friend class HelpSearchEngineTest;
};

#endif
