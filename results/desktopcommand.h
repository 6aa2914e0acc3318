// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DESKTOPCOMMAND_H
#define DESKTOPCOMMAND_H

#include <QString>

/**
 * The Exec line of the desktop entry at @p path as one command line for a
 * shell, field codes dropped; empty when the file is no desktop entry.
 */
QString desktopEntryCommand(const QString &path);

#endif
