// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef FRONT_COMMANDLINE_H
#define FRONT_COMMANDLINE_H

namespace Front
{
/**
 * Whether every argument after argv[0] is one of the panel's own options in a
 * form whose meaning is certain without the panel's parser: a start that
 * needs help printed, an error reported or anything guessed is not.
 */
bool isPlainPanelCommandLine(int argc, const char *const *argv);
}

#endif
