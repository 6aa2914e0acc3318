// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SERVICESRUNNER_H
#define SERVICESRUNNER_H

#include <KRunner/AbstractRunner>

#include <QDateTime>
#include <QMutex>

/**
 * Finds installed applications by name, generic name, keywords and executable.
 * A match's id is the desktop file's path, its data the file's URL.
 */
class ServicesRunner : public Plasma::AbstractRunner
{
    Q_OBJECT
public:
    ServicesRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args);

    ~ServicesRunner() override;

    void match(Plasma::RunnerContext &context) override;
    void run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match) override;

private:
    struct Application;
    QVector<Application> applications();

    // Reading every entry of the service cache costs more than matching them
    // all, so they are read once for each version of the cache file.
    QMutex m_applicationsLock;
    QVector<Application> m_applications;
    QDateTime m_applicationsRead;
};

#endif
