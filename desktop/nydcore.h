// SPDX-License-Identifier: GPL-2.0-or-later
// Stand-in for the desktop's core library: program registration, help viewer,
// well-known folders and session configuration.
#ifndef NYDCORE_H
#define NYDCORE_H

#include <QString>

#include <string>

enum NydDir {
    NydConfigDir = 2, // $HOME/.nyd
    NydThemeDir = 3, // $HOME/.nyd/theme
    NydDesktopDir = 6,
    NydDocumentsDir = 7,
    NydTaskbarLaunchersDir = 17,
    NydHomeDir = 18,
};

enum WhatNydSession {
    NydCurrentSession = 0,
};

void nydInit(const char *version, const char *description);
void nydHelpShow(const QString &topic);
const std::string &GetNydDir(NydDir which);
std::string nydSessionConfigSuffix(WhatNydSession which);

#endif
