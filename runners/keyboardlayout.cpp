// SPDX-License-Identifier: GPL-2.0-or-later
#include "keyboardlayout.h"

#include <algorithm>

namespace
{
// The same keys, unshifted and shifted, in the US and the Russian layout.
const QString s_latin = QStringLiteral("qwertyuiop[]asdfghjkl;'zxcvbnm,.`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~");
const QString s_cyrillic = QStringLiteral("йцукенгшщзхъфывапролджэячсмитьбюёЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ");
}

QString otherKeyboardLayout(const QString &text)
{
    // Punctuation in Cyrillic text was typed as such; in Latin text it may be a Russian letter.
    const bool cyrillic = std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.isLetter() && c.script() == QChar::Script_Cyrillic;
    });
    const QString &from = cyrillic ? s_cyrillic : s_latin;
    const QString &to = cyrillic ? s_latin : s_cyrillic;
    QString other = text;
    for (QChar &c : other) {
        const int key = from.indexOf(c);
        if (key >= 0) {
            c = to.at(key);
        }
    }
    return other == text ? QString() : other;
}
