// kelvo-render: applies the lens flare or the glow to an image file from the
// command line, through the same renderer entries as the plug-in modules.
#include <csignal>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli_app.h"
#include "interrupt.h"

#ifdef _WIN32
#include "wide_path_win32.h"
#endif

namespace kelvo::cli {
namespace {

int Run(int argc, const char* const* argv) {
#ifdef SIGXFSZ
    // A file size limit makes a write fail with a message instead of ending
    // the program; the old output stays either way.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    cli::InstallInterruptHandlers();
    try {
        return cli::RunKelvoRender(argc, argv, stdout, stderr);
    } catch (const std::bad_alloc&) {
        std::fputs("kelvo-render: error: out of memory\n", stderr);
        return 1;
    }
}

}  // namespace
}  // namespace kelvo::cli

#ifdef _WIN32
// The arguments arrive as Unicode and are carried as UTF-8 from here on.
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i) {
        kelvo::Utf8Text text;
        if (!kelvo::Utf8FromWide(wargv[i], &text)) {
            std::fprintf(stderr, "kelvo-render: error: argument %d is not valid Unicode\n", i);
            return 2;
        }
        args.emplace_back(text.text);
    }
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return kelvo::cli::Run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return kelvo::cli::Run(argc, argv); }
#endif
