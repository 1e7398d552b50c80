// One GEGL filter operation per filter of the list (filter_list.h): a property
// per row of its settings table, the record behind them, and a render of the
// whole layer in one call through its core entry. The operation's names come
// from the filter's title: "Lens Flare" is kelvo:lens-flare, its type
// KelvoLensFlare, its title "Kelvo Lens Flare" and its GIMP 3 menu entry
// "Kelvo _Lens Flare...".
#pragma once

#include <cstddef>
#include <cstdint>

#include <glib-object.h>

#include "filter_description.h"

namespace kelvo::gegl {

// Registers the operation's type in the plug-in module.
GType RegisterTableOperation(GTypeModule* module, const FilterDescription* filter);

}  // namespace kelvo::gegl
