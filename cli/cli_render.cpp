#include "cli_render.h"

#include "plugin.h"
#include "render_flare.h"
#include "render_glow.h"

namespace cli {
namespace {

uint8_t KELVO_CDECL NeverAbort() { return 0; }
void KELVO_CDECL IgnoreProgress(int32_t, int32_t) {}

// Our own host signature, 'KlvR'.
constexpr uint32_t kHostSignature = 0x4B6C7652;

}  // namespace

bool RenderImage(const FilterSettings& settings, const imageio::Image& input, imageio::Image* output,
                 ProgressProc progress, std::string* error) {
    if (!imageio::ImageIsValid(input)) {
        *error = "invalid input image";
        return false;
    }
    if (input.width > kMaxRenderSide || input.height > kMaxRenderSide) {
        *error = "the image is " + std::to_string(input.width) + " x " + std::to_string(input.height) +
                 " pixels; the filters take at most " + std::to_string(kMaxRenderSide) + " pixels per side";
        return false;
    }
    const size_t rowBytes = imageio::RowBytes(input);
    if (rowBytes > static_cast<size_t>(INT32_MAX)) {
        *error = "image rows too long for the filters";
        return false;
    }

    imageio::Image result;
    result.width = input.width;
    result.height = input.height;
    result.channels = input.channels;
    result.pixels.assign(imageio::ImageBytes(input), 0);

    // The renderer reads the settings record through a handle, as in a host;
    // it gets a copy so that nothing it does reaches the caller's settings.
    FilterSettings working = settings;
    PluginHandle handle{SettingsRecord(&working), kPluginHandleSignature};

    const auto width = static_cast<int16_t>(input.width);
    const auto height = static_cast<int16_t>(input.height);
    const auto planes = static_cast<int16_t>(input.channels);
    const bool colour = input.channels >= 3;
    const bool transparency = input.channels == 2 || input.channels == 4;

    FilterRecord record{};
    record.serialNumber = 0;
    record.abortProc = NeverAbort;
    record.progressProc = progress != nullptr ? progress : IgnoreProgress;
    record.parameters = &handle;
    record.imageSize = Point{height, width};
    record.wholeSize = Point{height, width};
    record.planes = planes;
    record.filterRect = Rect{0, 0, height, width};
    record.inRect = record.filterRect;
    record.outRect = record.filterRect;
    record.inLoPlane = 0;
    record.inHiPlane = static_cast<int16_t>(planes - 1);
    record.outLoPlane = 0;
    record.outHiPlane = static_cast<int16_t>(planes - 1);
    record.inData = const_cast<uint8_t*>(input.pixels.data());
    record.inRowBytes = static_cast<int32_t>(rowBytes);
    record.outData = result.pixels.data();
    record.outRowBytes = static_cast<int32_t>(rowBytes);
    record.background = RGBColor{0xFFFF, 0xFFFF, 0xFFFF};
    record.foreground = RGBColor{0, 0, 0};
    record.backColor[0] = record.backColor[1] = record.backColor[2] = 255;
    record.maxSpace = INT32_MAX;
    record.hostSig = kHostSignature;
    record.imageMode = colour ? plugInModeRGBColor : plugInModeGrayScale;
    record.imageHRes = ToFixed(72);
    record.imageVRes = ToFixed(72);
    record.filterCase = transparency ? 4 : 1;  // editable transparency, or a flat image; no selection
    record.inputRate = ToFixed(1);
    record.maskRate = ToFixed(1);
    record.inLayerPlanes = static_cast<int16_t>(colour ? 3 : 1);
    record.inTransparencyMask = transparency ? 1 : 0;
    record.outLayerPlanes = record.inLayerPlanes;
    record.outTransparencyMask = record.inTransparencyMask;
    record.inColumnBytes = planes;
    record.inPlaneBytes = 1;
    record.outColumnBytes = planes;
    record.outPlaneBytes = 1;
    record.depth = 8;

    PluginGlobals globals{};
    globals.filterRecord = &record;
    if (settings.filter == FilterChoice::Flare)
        flare::RenderFlare(&globals);
    else
        glow::RenderGlow(&globals);

    *output = std::move(result);
    return true;
}

}  // namespace cli
