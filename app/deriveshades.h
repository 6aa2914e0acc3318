// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef DERIVESHADES_H
#define DERIVESHADES_H

#include <string>

/**
 * A light and a dark shade of a primary colour ("#rrggbb"); a colour that
 * cannot go one way gets two shades the other way. Null outputs are skipped.
 */
void deriveShades(const std::string &primary, std::string *light, std::string *dark);

#endif
