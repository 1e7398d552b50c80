#include "cli_progress.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace kelvo::cli {
namespace {

constexpr int kBarWidth = 40;

struct ProgressBar {
    std::FILE* stream = nullptr;
    const char* label = "";
    int shown = -1;  // percentage on screen, -1 before the first draw
};
ProgressBar bar;

void Draw(int percent) {
    char cells[kBarWidth + 1];
    const int filled = percent * kBarWidth / 100;
    for (int i = 0; i < kBarWidth; ++i) cells[i] = i < filled ? '#' : '.';
    cells[kBarWidth] = '\0';
    std::fprintf(bar.stream, "\r%s [%s] %3d%%", bar.label, cells, percent);
    std::fflush(bar.stream);
}

}  // namespace

bool StreamIsTerminal(std::FILE* stream) {
#if defined(_WIN32)
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

int ProgressPercent(int32_t done, int32_t total) {
    if (total <= 0) return -1;
    if (done <= 0) return 0;
    if (done >= total) return 100;
    return static_cast<int>(static_cast<int64_t>(done) * 100 / total);
}

void BeginProgressBar(std::FILE* stream, const char* label) {
    bar.stream = stream;
    bar.label = label != nullptr ? label : "";
    bar.shown = -1;
    if (bar.stream != nullptr) {
        bar.shown = 0;
        Draw(0);
    }
}

void ProgressBarUpdate(int32_t done, int32_t total) {
    if (bar.stream == nullptr) return;
    const int percent = ProgressPercent(done, total);
    if (percent < 0 || percent == bar.shown) return;
    bar.shown = percent;
    Draw(percent);
}

void EndProgressBar() {
    if (bar.stream == nullptr) return;
    if (bar.shown != 100) Draw(100);
    std::fputc('\n', bar.stream);
    std::fflush(bar.stream);
    bar = ProgressBar{};
}

}  // namespace kelvo::cli
