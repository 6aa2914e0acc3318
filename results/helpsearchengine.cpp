// SPDX-License-Identifier: GPL-2.0-or-later
#include "helpsearchengine.h"
#include "helpsearchengine_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngineCore>
#include <QHelpSearchEngine>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(NYD_HELP, "nyd.help", QtWarningMsg)

namespace
{
HelpSearchEngine *s_instance = nullptr;

QString &sourceCollectionOverride()
{
    static QString path;
    return path;
}

void destroyInstance()
{
    delete s_instance;
    s_instance = nullptr;
}
}

void setSourceCollectionForTesting(const QString &path)
{
    sourceCollectionOverride() = path;
}

HelpSearchEngine::HelpSearchEngine()
    : m_sourceCollection(sourceCollectionOverride().isEmpty() ? QStringLiteral("/usr/share/doc/nyd/qthelp/ru/nydhelp.qhc") : sourceCollectionOverride())
    , m_userFolder(QDir::homePath() + QStringLiteral("/.local/share/nydhelp/ru"))
    , m_collectionFile(m_userFolder + QStringLiteral("/nydhelp.qhc"))
{
}

HelpSearchEngine::~HelpSearchEngine()
{
    // The search engine stops its indexing thread before the help engine goes.
    delete m_searchEngine;
    delete m_helpEngine;
}

HelpSearchEngine *HelpSearchEngine::instance()
{
    if (!s_instance) {
        s_instance = new HelpSearchEngine;
        // Before QCoreApplication is gone, so a running indexer can still be stopped.
        qAddPostRoutine(destroyInstance);
    }
    return s_instance;
}

QString HelpSearchEngine::collectionFile() const
{
    return m_collectionFile;
}

QString HelpSearchEngine::indexPath() const
{
    // Where QHelpSearchEngine keeps the index of a collection named nydhelp.qhc.
    return m_userFolder + QStringLiteral("/.nydhelp/fts");
}

void HelpSearchEngine::prepare()
{
    const QFileInfo collection(m_collectionFile);
    const QFileInfo index(indexPath());
    if (collection.isReadable() && index.isReadable() && index.size() > 0) {
        return;
    }
    if (m_searchEngine) {
        return;
    }
    // Opening a missing collection would create an empty one in its place.
    if (!QFileInfo(m_sourceCollection).isReadable()) {
        // Help is optional; where it is not installed, every start would say so.
        qCInfo(NYD_HELP) << "No help collection at" << m_sourceCollection;
        return;
    }
    if (!QDir().mkpath(m_userFolder)) {
        qCWarning(NYD_HELP) << "Cannot create" << m_userFolder;
        return;
    }
    // Qt refuses to copy over an existing file, and a copy without an index may be stale.
    if (collection.exists() && !QFile::remove(m_collectionFile)) {
        qCWarning(NYD_HELP) << "Cannot replace" << m_collectionFile;
        return;
    }

    {
        QHelpEngineCore source(m_sourceCollection, this);
        if (!source.setupData() || !source.copyCollectionFile(m_collectionFile)) {
            qCWarning(NYD_HELP) << "Cannot copy the help collection:" << source.error();
            return;
        }
    }

    m_helpEngine = new QHelpEngineCore(m_collectionFile);
    m_searchEngine = new QHelpSearchEngine(m_helpEngine);
    connect(m_searchEngine, &QHelpSearchEngine::indexingFinished, this, &HelpSearchEngine::onIndexingFinished);
    m_searchEngine->reindexDocumentation();
}

void HelpSearchEngine::onIndexingFinished()
{
    // The index is on disk now; the runner opens its own engines to search it.
    delete m_searchEngine;
    m_searchEngine = nullptr;
    delete m_helpEngine;
    m_helpEngine = nullptr;
    Q_EMIT indexingFinished();
}
