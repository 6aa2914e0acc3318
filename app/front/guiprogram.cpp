// SPDX-License-Identifier: GPL-2.0-or-later
#include "guiprogram.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace Front
{
namespace
{
constexpr char s_programName[] = "nyd-search-panel";

// The folder of this program itself, links resolved; empty if unknown.
std::string ownFolder()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path));
    if (length <= 0 || std::size_t(length) >= sizeof(path)) {
        errno = length < 0 ? errno : ENAMETOOLONG;
        return {};
    }
    const std::string_view own(path, std::size_t(length));
    return std::string(own.substr(0, own.rfind('/')));
}
}

std::string guiProgramFor(std::string_view frontFolder)
{
    return std::string(frontFolder) + '/' + NYD_GUI_DIR_FROM_BINDIR + '/' + s_programName;
}

void execGuiProgram(char **argv)
{
    const std::string folder = ownFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "%s: cannot find out where it is installed: %s\n", s_programName, std::strerror(errno));
        return;
    }
    const std::string program = guiProgramFor(folder);
    ::execv(program.c_str(), argv);
    std::fprintf(stderr, "%s: cannot start %s: %s\n", s_programName, program.c_str(), std::strerror(errno));
}
}
