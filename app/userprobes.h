// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef USERPROBES_H
#define USERPROBES_H

#include <QString>

/// Canonical home of the user behind sudo, or a null string.
QString realUserHome();
/// The number "ryx-id -i" prints; 0 on any failure.
quint32 ryxIdLevel();
/// Whether the process runs at the highest mandatory integrity level.
bool hasMaxMicLevel();

#endif
