// SPDX-License-Identifier: GPL-2.0-or-later
#include "themefiles.h"

#include "nydcore.h"
#include "userprobes.h"

ThemeFiles locateThemeFiles()
{
    QString desktopDir;
    QString themeDir;
    const QString home = realUserHome();
    if (!home.isNull()) {
        desktopDir = home + QStringLiteral("/.nyd");
        themeDir = home + QStringLiteral("/.nyd/theme");
    } else {
        desktopDir = QString::fromStdString(GetNydDir(NydConfigDir));
        themeDir = QString::fromStdString(GetNydDir(NydThemeDir));
    }
    const QString suffix = QString::fromStdString(nydSessionConfigSuffix(NydCurrentSession));
    return {themeDir + QStringLiteral("/current.themerc") + suffix, desktopDir + QStringLiteral("/paletterc")};
}
