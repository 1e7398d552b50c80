// The dialog's preview source: the whole-number reduction that fits the filter
// area into the dialog's preview frame, the request for the reduced copy, and
// the host-Rect arithmetic it uses. Portable: the Win32 side only measures the
// frame (GetPreviewFrame, preview_frame.cpp).
//
// All rectangle arithmetic is 16-bit, as the host's Rect is: sizes are 16-bit
// differences, ratios are computed in 32 bits and cut to 16.
#pragma once

#include <cstdint>

#include "plugin.h"

namespace kelvo::plugin {

// Result that PreparePreviewSource reports when it made no request at all:
// the filter area is empty or the frame leaves no room for an image. Any
// value other than 1 lets the run go on after the dialog.
constexpr int16_t kPreviewNotRequested = filterBadParameters;

void CopyHostRect(Rect* destination, const Rect& source);

// left += dh, top += dv, right -= dh, bottom -= dv, in 16-bit arithmetic.
void InsetHostRect(Rect* rect, int16_t dh, int16_t dv);

// Every coordinate becomes coordinate * numerator / denominator, computed in
// 32 bits, the quotient truncated toward zero and stored back as 16 bits.
// A zero denominator leaves the rectangle as it is.
void ScaleHostRect(Rect* rect, int16_t numerator, int16_t denominator);

// Fits the filter rectangle into the frame: the frame less its one-pixel
// border, never enlarged, gives the smallest whole-number factor (ratios
// rounded up, the larger of width and height); the frame is then replaced by
// the filter rectangle with every coordinate divided by the factor.
// Returns false, touching nothing, when the filter area has no pixels or the
// frame is 2 pixels or less in either direction (no room for an image); the
// factor would need a division by zero or by a negative size then.
bool FitPreviewRect(const Rect& filter, Rect* frame, int32_t* factor);

// At dialog start, with the frame in globals->previewRect: fits the filter
// area into it, stores the factor in the settings record's previewScale and
// asks the host, through advanceState, for the reduced copy of the filter
// area (all planes, edge pixels replicated, the mask when the selection
// floats). Returns advanceState's result and stores it in globals->result.
// When FitPreviewRect refuses the sizes nothing is requested or written and
// the result is kPreviewNotRequested.
int16_t PreparePreviewSource(PluginGlobals* globals);

// True when the preview buffers can be rendered and shown: the request
// returned 0 and the host delivered both buffers for a non-empty rectangle
// with sane strides.
bool PreviewBuffersUsable(const FilterRecord* record);

}  // namespace kelvo::plugin
