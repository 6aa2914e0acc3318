// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef THEMEFILES_H
#define THEMEFILES_H

#include <QString>

/// Where the desktop keeps the theme and palette the panel follows.
struct ThemeFiles {
    QString themeFile;
    QString paletteFile;
};

/**
 * Looks the files up now: under the home of the user behind sudo when there
 * is one, so the panel wears that user's theme, else in the desktop's folders.
 */
ThemeFiles locateThemeFiles();

#endif
