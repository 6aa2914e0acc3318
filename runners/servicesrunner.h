// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SERVICESRUNNER_H
#define SERVICESRUNNER_H

#include <KRunner/AbstractRunner>

/**
 * Finds installed applications by name, generic name, keywords and executable.
 * A match's id is the desktop file's path, its data the file's URL.
 */
class ServicesRunner : public Plasma::AbstractRunner
{
    Q_OBJECT
public:
    ServicesRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args);

    void match(Plasma::RunnerContext &context) override;
    void run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match) override;
};

#endif
