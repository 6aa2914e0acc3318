// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef KEYBOARDLAYOUT_H
#define KEYBOARDLAYOUT_H

#include <QString>

/**
 * @p text as the same keys give it in the other layout of the Russian and
 * English pair: Cyrillic text becomes Latin, any other becomes Cyrillic.
 * Empty when no key of the text differs between the two.
 */
QString otherKeyboardLayout(const QString &text);

#endif
