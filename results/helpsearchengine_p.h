// SPDX-License-Identifier: GPL-2.0-or-later
// Test hooks of HelpSearchEngine; not for the program itself.
#ifndef HELPSEARCHENGINE_P_H
#define HELPSEARCHENGINE_P_H

class QString;

/**
 * Makes the engine copy @p path instead of the installed collection. Takes
 * effect for the engine created next, so call it before the first instance().
 */
void setSourceCollectionForTesting(const QString &path);

#endif
