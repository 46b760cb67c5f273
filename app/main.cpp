#include "cli/Cli.h"

int main(int argc, char** argv)
{
    return tess::cli::run(argc, argv);
}
