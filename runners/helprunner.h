// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELPRUNNER_H
#define HELPRUNNER_H

#include <KRunner/AbstractRunner>

class QHelpSearchEngine;
class QHelpSearchResult;

/**
 * Finds pages of the user's help collection by title and full text, using the
 * index that HelpSearchEngine builds.
 */
class HelpRunner : public Plasma::AbstractRunner
{
    Q_OBJECT
public:
    HelpRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args);

    void match(Plasma::RunnerContext &context) override;

private:
    bool search(QHelpSearchEngine *searchEngine, const QString &text, const Plasma::RunnerContext &context, QVector<QHelpSearchResult> *results);

    const QString m_collectionFile;
};

#endif
