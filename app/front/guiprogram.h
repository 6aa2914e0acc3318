// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FRONT_GUIPROGRAM_H
#define FRONT_GUIPROGRAM_H

#include <string>
#include <string_view>

namespace Front
{
/// Where the panel itself is, for a front in @p frontFolder.
std::string guiProgramFor(std::string_view frontFolder);

/**
 * Replaces this process with the panel itself, run with @p argv unchanged.
 * Returns only when that failed, after saying why on standard error.
 */
void execGuiProgram(char **argv);
}

#endif
