// SPDX-License-Identifier: GPL-2.0-or-later
#include "commandline.h"

#include <string_view>

namespace Front
{
namespace
{
constexpr std::string_view s_flags[] = {"toggle", "hide", "hidden", "quit"};
constexpr std::string_view s_longValueOptions[] = {"query", "monitor", "position", "size", "width", "height"};
constexpr std::string_view s_shortValueOptions[] = {"-q", "-m", "-p", "-s"};

template<typename List>
bool contains(const List &list, std::string_view item)
{
    for (const std::string_view entry : list) {
        if (entry == item) {
            return true;
        }
    }
    return false;
}

// The application object takes these out of argv, wherever they stand,
// before any parser sees the rest.
bool isTakenByQt(std::string_view argument)
{
    if (argument.substr(0, 2) == "--") {
        argument.remove_prefix(1);
    }
    return argument.substr(0, 14) == "-qmljsdebugger";
}

bool anyTakenByQt(int argc, const char *const *argv)
{
    for (int i = 1; i < argc; ++i) {
        if (isTakenByQt(argv[i])) {
            return true;
        }
    }
    return false;
}

enum class Step {
    Unknown,
    Alone,
    TakesNext,
};

// What @p argument is as an option of the panel, given that it does not
// stand where a value goes.
Step stepOf(std::string_view argument)
{
    if (contains(s_shortValueOptions, argument)) {
        return Step::TakesNext;
    }
    if (argument.size() <= 2 || argument.substr(0, 2) != "--") {
        return Step::Unknown;
    }
    argument.remove_prefix(2);
    const std::size_t assign = argument.find('=');
    const std::string_view name = argument.substr(0, assign);
    if (contains(s_flags, name)) {
        return assign == std::string_view::npos ? Step::Alone : Step::Unknown;
    }
    if (contains(s_longValueOptions, name)) {
        return assign == std::string_view::npos ? Step::TakesNext : Step::Alone;
    }
    return Step::Unknown;
}
}

bool isPlainPanelCommandLine(int argc, const char *const *argv)
{
    if (argc < 1 || anyTakenByQt(argc, argv)) {
        return false;
    }
    for (int i = 1; i < argc; ++i) {
        switch (stepOf(argv[i])) {
        case Step::Unknown:
            return false;
        case Step::Alone:
            break;
        case Step::TakesNext:
            // Whatever comes next is the value, even when it looks like an option.
            if (++i >= argc) {
                return false;
            }
            break;
        }
    }
    return true;
}
}
