// kelvo-render: applies the lens flare or the glow to an image file from the
// command line, through the same renderer entries as the plug-in modules.
#include <csignal>
#include <cstdio>
#include <new>

#include "cli_app.h"

int main(int argc, char** argv) {
#ifdef SIGXFSZ
    // A file size limit makes a write fail with a message instead of ending
    // the program; the old output stays either way.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    try {
        return cli::RunKelvoRender(argc, argv, stdout, stderr);
    } catch (const std::bad_alloc&) {
        std::fputs("kelvo-render: error: out of memory\n", stderr);
        return 1;
    }
}
