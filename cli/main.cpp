#include "cli/commands.h"
#include "cli/companion.h"

int main(int argc, char** argv) {
#ifdef CAELVANE_CLI_HANDS_OVER
    if (cli::NeedsCompanion(argc, argv)) return cli::RunCompanion(argv);
#endif
    return cli::Main(argc, argv);
}
