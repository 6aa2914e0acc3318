// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef PROGRAMERROR_H
#define PROGRAMERROR_H

#include <QString>

/**
 * Writes "<program>: <message>" as one line on standard error and returns
 * the exit status of a failed run. One line, so callers can show it as it is.
 */
int failWith(const QString &message);

#endif
