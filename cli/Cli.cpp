#include "cli/Cli.h"

#include <cstdio>

namespace tess::cli {

bool hasMode(int, char**)
{
    return true;
}

int run(int, char**)
{
    std::fputs("usage: tessarine --table|--tree|--paths|--get PATH|--decode|--stats [options] [FILE]\n", stdout);
    return 0;
}

} // namespace tess::cli
