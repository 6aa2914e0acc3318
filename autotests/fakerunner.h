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
    FakeRunner()
        : Plasma::AbstractRunner(
            nullptr,
            KPluginMetaData(QJsonObject{{QStringLiteral("KPlugin"), QJsonObject{{QStringLiteral("Id"), QStringLiteral("nydfake")}}}}, QString()),
            QVariantList())
    {
    }

    /// Matches from "Category text type relevance" items apart by commas; the type is
    /// E(xact), H(elper), P(ossible) or C(ompletion), the text is the id too.
    QList<Plasma::QueryMatch> matches(const QString &items)
    {
        QList<Plasma::QueryMatch> matches;
        const QStringList list = items.split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &item : list) {
            const QStringList fields = item.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            Plasma::QueryMatch match(this);
            match.setMatchCategory(fields.at(0));
            match.setText(fields.at(1));
            match.setId(fields.at(1));
            const char type = fields.at(2).at(0).toLatin1();
            match.setType(type == 'E'       ? Plasma::QueryMatch::ExactMatch
                              : type == 'H' ? Plasma::QueryMatch::HelperMatch
                              : type == 'P' ? Plasma::QueryMatch::PossibleMatch
                                            : Plasma::QueryMatch::CompletionMatch);
            match.setRelevance(fields.at(3).toDouble());
            matches.append(match);
        }
        return matches;
    }
};

#endif
