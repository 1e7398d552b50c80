// The modules' adapter from the host's FilterRecord to a renderer's core
// entry: the pixel area the host delivered, its abortProc and progressProc as
// render callbacks, and the settings record behind its `parameters`.
#pragma once

#include "deep_area.h"
#include "host_interface.h"
#include "pixel_area.h"
#include "render_callbacks.h"

namespace kelvo::plugin {

// Reads the working area from the record: width and height from inRect, planes
// from `planes`, the buffers and strides from inData/outData and
// inRowBytes/outRowBytes. A stride of 0 or less means rows packed without gap
// (hosts that leave the strides unset deliver packed rows). Returns false, with
// an empty area, when nothing can be drawn safely: a missing buffer, an empty
// rectangle, no planes, or a stride shorter than one row.
bool FilterRecordArea(const FilterRecord* record, PixelArea* area);

// The host's abortProc and progressProc behind the record, as callbacks; a
// missing record or procedure is never asked or told anything.
RenderCallbacks FilterRecordCallbacks(const FilterRecord* record);

// A renderer's core entry, its settings record passed untyped.
using RenderEntry = bool (*)(const PixelArea& area, const void* settings, const RenderCallbacks& callbacks);

// A renderer's deep entry (deep_area.h), its settings record passed untyped.
using DeepRenderEntry = kelvo::RenderEnd (*)(const kelvo::DeepArea& area, const void* settings,
                                             const RenderCallbacks& callbacks);

// Renders the area the host delivered with the settings record behind its
// `parameters` and the host's callbacks: a 16- or 32-bit document through
// `renderDeep` (deep_record.h), when given. With no area it does nothing; with
// no settings record the output is a copy of the input, at the document's
// depth. Returns false when the host's abortProc stopped the render.
bool RenderFilterRecord(RenderEntry render, const FilterRecord* record, DeepRenderEntry renderDeep = nullptr);

}  // namespace kelvo::plugin
