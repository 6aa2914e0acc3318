// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef SERVICESRUNNER_H
#define SERVICESRUNNER_H

#include <KRunner/AbstractRunner>

#include <QDateTime>
#include <QMutex>

/**
 * Finds installed applications by name, generic name, keywords and executable,
 * also when typed with the other keyboard layout or with a slip of one key.
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
    struct Score {
        qreal relevance;
        bool exact;
    };
    QVector<Application> applications();
    static Score score(const Application &application, const QString &term);
    static qreal slipScore(const Application &application, const QString &foldedTerm);
    Plasma::QueryMatch makeMatch(const Application &application, Plasma::QueryMatch::Type type, qreal relevance);

    // Reading every entry of the service cache costs more than matching them
    // all, so they are read once for each version of the cache file.
    QMutex m_applicationsLock;
    QVector<Application> m_applications;
    QDateTime m_applicationsRead;
};

#endif
