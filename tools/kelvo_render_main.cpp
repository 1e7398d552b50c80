// kelvo-render: applies the lens flare or the glow to an image file from the
// command line, through the same renderer entries as the plug-in modules.
#include <cstdio>

#include "cli_app.h"

int main(int argc, char** argv) { return cli::RunKelvoRender(argc, argv, stdout, stderr); }
