// The two properties every operation has beyond its settings table: "scale"
// draws the filter F times larger, and "scale-from-width" fits it to the
// layer's width (kelvo-render's --scale and --scale-from). They are listed
// after the table's properties.
#pragma once

#include <glib-object.h>

namespace kelvo::gegl {

struct ScaleSettings {
    double scale = 1.0;
    int fromWidth = 0;  // 0: off; W: the filter is also drawn (layer width / W) times larger
};

// Installs both, with property ids firstId and firstId + 1; `scaleBlurb`
// says what the scale does to this filter.
void InstallScaleProperties(GObjectClass* objectClass, guint firstId, const char* scaleBlurb);

// Sets or gets the property with id `id` if it is one of them; false otherwise.
bool SetScaleProperty(ScaleSettings* settings, guint firstId, guint id, const GValue* value);
bool GetScaleProperty(const ScaleSettings& settings, guint firstId, guint id, GValue* value);

// The enlargement a layer `layerWidth` pixels wide is drawn at: scale, times
// layerWidth / fromWidth when that is set, kept within the renderers' range
// (kMinEnlargement .. kMaxEnlargement, enlargement_range.h). Exactly 1 at the defaults.
double Enlargement(const ScaleSettings& settings, int layerWidth);

}  // namespace kelvo::gegl
