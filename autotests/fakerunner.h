// SPDX-License-Identifier: GPL-2.0-or-later
// A runner that runs nothing: matches only count as valid when a runner made them.
#ifndef FAKERUNNER_H
#define FAKERUNNER_H

#include <KPluginMetaData>
#include <KRunner/AbstractRunner>

#include <QJsonObject>

class FakeRunner : public Plasma::AbstractRunner
{
public:
    explicit FakeRunner(QObject *parent = nullptr)
        : Plasma::AbstractRunner(
            parent,
            KPluginMetaData(QJsonObject{{QStringLiteral("KPlugin"),
                                         QJsonObject{{QStringLiteral("Id"), QStringLiteral("nydfake")}, {QStringLiteral("Name"), QStringLiteral("Fake")}}}},
                            QString()),
            QVariantList())
    {
    }
};

#endif
