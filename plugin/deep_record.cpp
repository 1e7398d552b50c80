#include "deep_record.h"

#include <cstring>
#include <new>

#include "deep_sample_types.h"
#include "filter_record_render.h"
#include "pixel_area.h"

namespace kelvo::plugin {

int32_t DocumentDepth(const FilterRecord* record) {
    if (record == nullptr) return 8;
    if (record->depth == 8 || record->depth == 16 || record->depth == 32) return record->depth;
    const int16_t mode = record->imageMode;
    if (mode >= plugInModeGray16 && mode <= plugInModeDuotone16) return 16;
    if (mode == plugInModeRGB96 || mode == plugInModeGray32) return 32;
    return 8;
}

int16_t EightBitMode(int16_t imageMode) {
    switch (imageMode) {
        case plugInModeGray16:
        case plugInModeGray32: return plugInModeGrayScale;
        case plugInModeRGB48:
        case plugInModeRGB96: return plugInModeRGBColor;
        case plugInModeLab48: return plugInModeLabColor;
        case plugInModeCMYK64: return plugInModeCMYKColor;
        case plugInModeDeepMultichannel: return plugInModeMultichannel;
        case plugInModeDuotone16: return plugInModeDuotone;
        default: return imageMode;
    }
}

bool DeepAreaFromRecord(const FilterRecord* record, kelvo::DeepArea* area) {
    *area = kelvo::DeepArea{};
    const int32_t depth = DocumentDepth(record);
    if (depth == 8) return false;
    PixelArea bytes;
    if (!FilterRecordArea(record, &bytes)) return false;
    area->samples = depth == 16 ? kelvo::DeepSamples::U16 : kelvo::DeepSamples::F32;
    area->white = 32768;
    area->linear = depth == 32;
    const size_t row = static_cast<size_t>(bytes.width) * static_cast<size_t>(bytes.planes) *
                       kelvo::DeepSampleBytes(area->samples);
    // Hosts that leave the strides unset deliver packed rows.
    area->inRowBytes = record->inRowBytes > 0 ? static_cast<size_t>(record->inRowBytes) : row;
    area->outRowBytes = record->outRowBytes > 0 ? static_cast<size_t>(record->outRowBytes) : row;
    if (area->inRowBytes < row || area->outRowBytes < row) {
        *area = kelvo::DeepArea{};
        return false;
    }
    area->in = bytes.in;
    area->out = bytes.out;
    area->width = bytes.width;
    area->height = bytes.height;
    area->planes = bytes.planes;
    return true;
}

void CopyRecordInputToOutput(const FilterRecord* record) {
    kelvo::DeepArea deep;
    if (DeepAreaFromRecord(record, &deep)) {
        kelvo::CopyDeepInputToOutput(deep);
        return;
    }
    PixelArea area;
    if (DocumentDepth(record) == 8 && FilterRecordArea(record, &area)) CopyInputToOutput(area);
}

bool EightBitOutput(const FilterRecord* record, std::vector<uint8_t>* pixels) {
    kelvo::DeepArea deep;
    if (!DeepAreaFromRecord(record, &deep)) return false;
    const size_t sampleBytes = kelvo::DeepSampleBytes(deep.samples);
    const size_t samplesPerRow = static_cast<size_t>(deep.width) * static_cast<size_t>(deep.planes);
    try {
        pixels->assign(samplesPerRow * static_cast<size_t>(deep.height), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const kelvo::U16Samples u16(32768);
    const kelvo::F32Samples f32{true};
    for (int32_t y = 0; y < deep.height; ++y) {
        const uint8_t* row = deep.out + static_cast<size_t>(y) * deep.outRowBytes;
        uint8_t* to = pixels->data() + static_cast<size_t>(y) * samplesPerRow;
        for (size_t i = 0; i < samplesPerRow; ++i)
            to[i] = deep.samples == kelvo::DeepSamples::U16 ? u16.Reduce8(row + i * sampleBytes)
                                                            : f32.Reduce8(row + i * sampleBytes);
    }
    return true;
}

}  // namespace kelvo::plugin
