// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef BALOOSEARCHRUNNER_H
#define BALOOSEARCHRUNNER_H

#include <KRunner/AbstractRunner>

#include <QCache>
#include <QFuture>
#include <QMutex>

#include <memory>

class IndexQueryClient;
class QMimeDatabase;

/**
 * Finds files and folders in the user's file index by name and content,
 * grouped by kind with a bounded number of results for each kind.
 */
class BalooSearchRunner : public Plasma::AbstractRunner
{
    Q_OBJECT
public:
    BalooSearchRunner(QObject *parent, const KPluginMetaData &metaData, const QVariantList &args);
    ~BalooSearchRunner() override;

    void match(Plasma::RunnerContext &context) override;
    void run(const Plasma::RunnerContext &context, const Plasma::QueryMatch &match) override;

private:
    struct FileKind;
    FileKind fileKind(const QString &path, qint64 modifiedNs, qint64 size, const QMimeDatabase &mimeDatabase);
    void warmUp();

    // Typing a word asks for the same files again and again, and telling
    // their MIME type is most of the cost of a result.
    QMutex m_fileKindsLock;
    QCache<QString, FileKind> m_fileKinds;
    bool m_warm = false;
    QFuture<void> m_warming;
    std::unique_ptr<IndexQueryClient> m_index;
};

#endif
