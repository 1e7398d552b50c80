// A text progress bar on a terminal, fed by the renderers' progress.
#pragma once

#include <cstdint>
#include <cstdio>

namespace kelvo::cli {

// Images of at least this many pixels get a progress bar (on a terminal).
constexpr int64_t kProgressBarPixels = 1000000;

// True when the stream is an interactive terminal.
bool StreamIsTerminal(std::FILE* stream);

// Starts a bar on the stream; ProgressBarUpdate, the progress function handed
// to RenderImage, redraws it when the shown percentage changes, and
// EndProgressBar finishes its line. One bar at a time: the bar is the
// program's own, as its standard error is.
void BeginProgressBar(std::FILE* stream, const char* label);
void ProgressBarUpdate(int32_t done, int32_t total);
void EndProgressBar();

// The percentage shown for done of total: 0..100; a total of 0 or less
// (which the glow can report for short images) shows nothing new (-1).
int ProgressPercent(int32_t done, int32_t total);

}  // namespace kelvo::cli
