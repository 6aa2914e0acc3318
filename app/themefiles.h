// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef THEMEFILES_H
#define THEMEFILES_H

#include <QMap>
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

/**
 * The [Variables] entries of the theme or palette file at @p path, as plain
 * text. Anything but a regular file of at most 1 MiB counts as no file, and is
 * never opened; a file is read again only once it changed.
 */
QMap<QString, QString> readThemeVariables(const QString &path);

#endif
