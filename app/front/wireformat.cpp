// SPDX-License-Identifier: GPL-2.0-or-later
#include "wireformat.h"

#include <cstdint>

namespace Front
{
namespace
{
// Length of the sequence that @p lead starts, or 0 for a byte no sequence starts with.
int sequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
        return 2;
    }
    if (lead >= 0xe0 && lead <= 0xef) {
        return 3;
    }
    if (lead >= 0xf0 && lead <= 0xf4) {
        return 4;
    }
    return 0;
}

// The second byte's range depends on the lead; it rules out overlong forms,
// surrogates and code points above U+10FFFF.
bool isValidSecondByte(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xe0:
        return second >= 0xa0 && second <= 0xbf;
    case 0xed:
        return second >= 0x80 && second <= 0x9f;
    case 0xf0:
        return second >= 0x90 && second <= 0xbf;
    case 0xf4:
        return second >= 0x80 && second <= 0x8f;
    default:
        return second >= 0x80 && second <= 0xbf;
    }
}

bool isContinuation(unsigned char byte)
{
    return byte >= 0x80 && byte <= 0xbf;
}

void appendEscaped(std::string &out, std::string_view text)
{
    static const char hexDigits[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hexDigits[byte >> 4];
            out += hexDigits[byte & 0xf];
        } else {
            out += c;
        }
    }
}
}

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = sequenceLength(lead);
        if (length == 0 || text.size() - i < std::size_t(length)) {
            return false;
        }
        if (length > 1 && !isValidSecondByte(lead, static_cast<unsigned char>(text[i + 1]))) {
            return false;
        }
        for (int k = 2; k < length; ++k) {
            if (!isContinuation(static_cast<unsigned char>(text[i + k]))) {
                return false;
            }
        }
        i += std::size_t(length);
    }
    return true;
}

std::string encodeArguments(int argc, const char *const *argv)
{
    std::string out = "[";
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            out += ',';
        }
        out += '"';
        appendEscaped(out, argv[i]);
        out += '"';
    }
    out += ']';
    return out;
}

std::string frame(std::string_view payload)
{
    const auto size = static_cast<std::uint32_t>(payload.size());
    std::string out;
    out.reserve(4 + payload.size());
    out += static_cast<char>((size >> 24) & 0xff);
    out += static_cast<char>((size >> 16) & 0xff);
    out += static_cast<char>((size >> 8) & 0xff);
    out += static_cast<char>(size & 0xff);
    out += payload;
    return out;
}
}
