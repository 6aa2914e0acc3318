// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef HELPRUNNER_H
#define HELPRUNNER_H

#include <KRunner/AbstractRunner>

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
    const QString m_collectionFile;
};

#endif
