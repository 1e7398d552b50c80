#include "scale_properties.h"

#include <gegl-paramspecs.h>
#include <gegl.h>

#include "enlargement_range.h"
#include "layer_render.h"

namespace kelvo::gegl {
namespace {

constexpr GParamFlags kFlags =
    static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_CONSTRUCT | GEGL_PARAM_PAD_INPUT | G_PARAM_STATIC_STRINGS);

// The slider's range: a quarter to sixteen times, which takes a look made on
// a 640-pixel-wide picture to a 10000-pixel-wide one. The gamma gives the
// factors near 1 most of the slider's length. Typed values reach the whole range.
constexpr double kScaleUiLow = 0.25;
constexpr double kScaleUiHigh = 16.0;
constexpr double kScaleUiGamma = 3.0;

constexpr int kFromWidthUiHigh = 8000;

}  // namespace

void InstallScaleProperties(GObjectClass* objectClass, guint firstId, const char* scaleBlurb) {
    GParamSpec* scale = gegl_param_spec_double("scale", "Scale", scaleBlurb, kMinEnlargement,
                                              kMaxEnlargement, 1.0, kScaleUiLow, kScaleUiHigh, kScaleUiGamma,
                                              kFlags);
    gegl_param_spec_double_set_steps(GEGL_PARAM_SPEC_DOUBLE(scale), 0.1, 1.0);
    gegl_param_spec_double_set_digits(GEGL_PARAM_SPEC_DOUBLE(scale), 2);
    g_object_class_install_property(objectClass, firstId, scale);

    // The widest reference width is the widest layer rendered.
    GParamSpec* from = gegl_param_spec_int(
        "scale-from-width", "Fit to layer width from",
        "0: off. Otherwise the width in pixels of the picture the settings were made for (640 for the shipped "
        "presets): the filter is drawn (layer width / this) times larger as well, so a look keeps its size relative "
        "to the picture on a layer of any width",
        0, kMaxAreaSide, 0, 0, kFromWidthUiHigh, 1.0, kFlags);
    gegl_param_spec_int_set_steps(GEGL_PARAM_SPEC_INT(from), 1, 10);
    gegl_param_spec_set_property_key(from, "unit", "pixel-distance");
    g_object_class_install_property(objectClass, firstId + 1, from);
}

bool SetScaleProperty(ScaleSettings* settings, guint firstId, guint id, const GValue* value) {
    if (id == firstId) {
        settings->scale = g_value_get_double(value);
        return true;
    }
    if (id == firstId + 1) {
        settings->fromWidth = g_value_get_int(value);
        return true;
    }
    return false;
}

bool GetScaleProperty(const ScaleSettings& settings, guint firstId, guint id, GValue* value) {
    if (id == firstId) {
        g_value_set_double(value, settings.scale);
        return true;
    }
    if (id == firstId + 1) {
        g_value_set_int(value, settings.fromWidth);
        return true;
    }
    return false;
}

double Enlargement(const ScaleSettings& settings, int layerWidth) {
    double factor = settings.scale;
    if (settings.fromWidth > 0 && layerWidth > 0) factor *= static_cast<double>(layerWidth) / settings.fromWidth;
    if (!(factor >= kMinEnlargement)) return kMinEnlargement;
    return factor > kMaxEnlargement ? kMaxEnlargement : factor;
}

}  // namespace kelvo::gegl
