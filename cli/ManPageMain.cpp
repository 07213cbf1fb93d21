// Writes the manual page tivra-cli.1 from the command tables; the build runs it.
#include <cstdio>
#include <string>

#include "CliHelp.h"

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tivra-cli-manpage VERSION OUTPUT\n");
        return 64;
    }
    std::string page = ManualPage(argv[1]);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    bool written = std::fwrite(page.data(), 1, page.size(), out) == page.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
