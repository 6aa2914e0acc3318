// SPDX-License-Identifier: GPL-2.0-or-later
// Test hooks of the access-control stand-in; not for the program itself.
#ifndef RYXHELPER_P_H
#define RYXHELPER_P_H

/**
 * Forces the answer of MICDetect::isCurrentProcessHasMaxMIC() in this process:
 * -1 drops the override, 0 forces false, 1 forces true.
 *
 * Processes started by a test can be forced instead with the environment
 * variable NYD_TEST_MAX_MIC=1, which makes the answer true; an override set
 * here wins over the variable.
 */
void setMaxMicOverrideForTesting(int state);

#endif
