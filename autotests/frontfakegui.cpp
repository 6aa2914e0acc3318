// SPDX-License-Identifier: GPL-2.0-or-later
// Stands in for the panel behind the forwarding front: writes every argument
// it got, argv[0] first, each ended by a NUL byte, to the file that
// NYD_FAKE_GUI_RECORD names, and exits with NYD_FAKE_GUI_STATUS.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    const char *record = std::getenv("NYD_FAKE_GUI_RECORD");
    const char *status = std::getenv("NYD_FAKE_GUI_STATUS");
    if (!record || !status) {
        return 2;
    }
    std::FILE *file = std::fopen(record, "wb");
    if (!file) {
        return 2;
    }
    for (int i = 0; i < argc; ++i) {
        std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
    }
    std::fclose(file);
    return std::atoi(status);
}
