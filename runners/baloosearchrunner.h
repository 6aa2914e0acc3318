// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOSEARCHRUNNER_H
#define BALOOSEARCHRUNNER_H

#include <KRunner/AbstractRunner>

/**
 * Finds files and folders in the user's file index by name and content,
 * grouped by kind with a bounded number of results for each kind.
 */
class BalooSearchRunner : public Plasma::AbstractRunner
{
    Q_OBJECT
public:
    BalooSearchRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args);

    void match(Plasma::RunnerContext &context) override;
    void run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match) override;
};

#endif
