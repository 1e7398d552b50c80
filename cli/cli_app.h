// The whole of kelvo-render as a function, so that tests can run it in-process.
#pragma once

#include <cstdio>

namespace kelvo::cli {

// Parses the command line, builds the settings, saves them if asked, reads the
// input image, renders and writes the output. Normal output (--help, --list)
// goes to `out`, messages and the progress bar to `err`; the progress bar only
// when `err` is a terminal, the image has a megapixel or more and --no-progress
// is not given. Returns the exit status (cli::ExitCode).
int RunKelvoRender(int argc, const char* const argv[], std::FILE* out, std::FILE* err);

}  // namespace kelvo::cli
