// The GEGL operations on every layer format: 8-bit perceptual layers take the
// 8-bit renderers, every other layer the deep path in its own format. Pixels
// that receive no light keep their bytes (NaN, infinities, values above 1 and
// denormals included), alpha is kept, formats that are neither RGB nor grey
// are not taken for grey, and the light is smooth.
#include <gtest/gtest.h>

#include <babl/babl.h>
#include <gegl.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace {

class GeglEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        gegl_init(nullptr, nullptr);
        gegl_load_module_directory(KELVO_GEGL_PLUGIN_DIR);
    }
    void TearDown() override { gegl_exit(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GeglEnvironment);

constexpr int kWidth = 256, kHeight = 160;

// One component of a deterministic picture, raw in the format's type:
// integers below 0.7 of their range, floats from a list of awkward values.
void FillComponent(const std::string& type, size_t index, uint8_t* at) {
    const uint32_t hash = static_cast<uint32_t>(index * 2654435761u) >> 8;
    const double special[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 833.78, 2.5, 1e-40, -0.0, 0.25, 100.0, 0.5};
    const double v = special[hash % 10];
    if (type == "u8") {
        at[0] = static_cast<uint8_t>(hash % 178);
    } else if (type == "u16") {
        const uint16_t s = static_cast<uint16_t>(hash % 45875);
        std::memcpy(at, &s, 2);
    } else if (type == "u32") {
        const uint32_t s = hash * 97u % 3006477107u;
        std::memcpy(at, &s, 4);
    } else if (type == "half") {
        const uint16_t halves[] = {0x7E00, 0x7C00, 0xFC00, 0x5A00, 0x4100, 0x0001, 0x8000, 0x3400, 0x5640, 0x3800};
        std::memcpy(at, &halves[hash % 10], 2);
    } else if (type == "float") {
        const float f = static_cast<float>(v);
        std::memcpy(at, &f, 4);
    } else {
        const double d = v == 1e-40 ? 1e-310 : v;
        std::memcpy(at, &d, 8);
    }
}

std::vector<uint8_t> Render(const Babl* format, const std::vector<uint8_t>& raw, const char* operation,
                            const std::vector<std::pair<const char*, double>>& properties) {
    const GeglRectangle rect{0, 0, kWidth, kHeight};
    GeglBuffer* in = gegl_buffer_new(&rect, format);
    gegl_buffer_set(in, &rect, 0, format, raw.data(), GEGL_AUTO_ROWSTRIDE);
    GeglBuffer* out = gegl_buffer_new(&rect, format);
    GeglNode* graph = gegl_node_new();
    GeglNode* source = gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", in, nullptr);
    GeglNode* op = gegl_node_new_child(graph, "operation", operation, nullptr);
    for (const auto& p : properties) {
        GParamSpec* pspec = gegl_node_find_property(op, p.first);
        if (G_PARAM_SPEC_VALUE_TYPE(pspec) == G_TYPE_INT)
            gegl_node_set(op, p.first, static_cast<int>(p.second), nullptr);
        else
            gegl_node_set(op, p.first, p.second, nullptr);
    }
    GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:write-buffer", "buffer", out, nullptr);
    gegl_node_link_many(source, op, sink, nullptr);
    gegl_node_process(sink);
    std::vector<uint8_t> result(raw.size());
    gegl_buffer_get(out, &rect, 1.0, format, result.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    g_object_unref(graph);
    g_object_unref(in);
    g_object_unref(out);
    return result;
}

// A small flare near the top left, without reflections: its light lands in
// the same pixels whatever the layer.
const std::vector<std::pair<const char*, double>> kSmallFlare = {
    {"position-x", 12}, {"position-y", 10}, {"flare-size", 1.0}, {"reflections-bright", 0.0}};

// The pixels the small flare lights, from a black perceptual float layer
// (the finest: the least light shows there).
std::vector<bool> FlareReach() {
    const Babl* f = babl_format("R'G'B' float");
    std::vector<uint8_t> black(static_cast<size_t>(kWidth) * kHeight * 12, 0);
    const std::vector<uint8_t> lit = Render(f, black, "kelvo:lens-flare", kSmallFlare);
    std::vector<bool> reach(static_cast<size_t>(kWidth) * kHeight);
    for (size_t i = 0; i < reach.size(); ++i) reach[i] = std::memcmp(&lit[i * 12], &black[i * 12], 12) != 0;
    return reach;
}

TEST(GeglDeepLayers, UntouchedPixelsKeepTheirBytesInEveryFormat) {
    const char* kFormats[] = {
        "RGBA u8",     "RGB u8",      "R'G'B'A u16", "RGBA u16",  "RGB u32",      "R'G'B'A u32",  "RGBA half",
        "R'G'B' half", "RGBA float",  "RGB float",   "R'G'B'A float", "RGBA double", "R'G'B' double", "YA u16",
        "Y' u16",      "Y float",     "Y'A float",   "YA double", "Y'A u32",      "YA half",      "Y'CbCr u8",
        "Y'CbCrA float", "CMYK float", "CIE Lab float", "HSV float", "RaGaBaA float", "R~G~B~A float"};
    const std::vector<bool> reach = FlareReach();
    ASSERT_GT(std::count(reach.begin(), reach.end(), true), 50);
    ASSERT_LT(std::count(reach.begin(), reach.end(), true), kWidth * kHeight / 2);
    for (const char* name : kFormats) {
        if (!babl_format_exists(name)) continue;
        SCOPED_TRACE(name);
        const Babl* format = babl_format(name);
        const std::string type = babl_get_name(babl_format_get_type(format, 0));
        const int components = babl_format_get_n_components(format);
        const size_t bpp = static_cast<size_t>(babl_format_get_bytes_per_pixel(format));
        const size_t componentBytes = bpp / static_cast<size_t>(components);
        std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * bpp);
        for (size_t c = 0; c < raw.size() / componentBytes; ++c) FillComponent(type, c, &raw[c * componentBytes]);
        const std::vector<uint8_t> out = Render(format, raw, "kelvo:lens-flare", kSmallFlare);
        const bool alpha = babl_format_has_alpha(format) != 0;
        const std::string model = babl_get_name(babl_format_get_model(format));
        const bool alphaLast = alpha && (model.find("RGB") != std::string::npos || model[0] == 'Y') &&
                               model.find('a') == std::string::npos && model.find("CbCr") == std::string::npos;
        size_t changed = 0;
        for (size_t i = 0; i < reach.size(); ++i) {
            const bool same = std::memcmp(&raw[i * bpp], &out[i * bpp], bpp) == 0;
            changed += same ? 0 : 1;
            if (!reach[i]) {
                ASSERT_TRUE(same) << "pixel " << i % kWidth << "," << i / kWidth;
            }
            if (alphaLast) {
                ASSERT_EQ(0, std::memcmp(&raw[i * bpp + bpp - componentBytes], &out[i * bpp + bpp - componentBytes],
                                         componentBytes))
                    << "alpha of pixel " << i;
            }
        }
        EXPECT_GT(changed, 0u) << "some light lands";
    }
}

// A colour format is not grey: light lands in more than one channel.
TEST(GeglDeepLayers, YCbCrIsNotTakenForGrey) {
    const Babl* format = babl_format("Y'CbCr u8");
    std::vector<uint8_t> raw(static_cast<size_t>(kWidth) * kHeight * 3);
    for (size_t i = 0; i < raw.size(); i += 3) {
        raw[i] = 60;
        raw[i + 1] = 90;  // a blue-green: Cb and Cr away from neutral
        raw[i + 2] = 110;
    }
    const std::vector<uint8_t> out = Render(format, raw, "kelvo:lens-flare", kSmallFlare);
    size_t chromaChanged = 0;
    for (size_t i = 0; i < raw.size(); i += 3) chromaChanged += out[i + 1] != raw[i + 1] || out[i + 2] != raw[i + 2];
    EXPECT_GT(chromaChanged, 0u);
}

TEST(GeglDeepLayers, LightIsSmoothInSixteenBits) {
    const Babl* format = babl_format("R'G'B'A u16");
    const GeglRectangle rect{0, 0, 640, 400};
    std::vector<uint16_t> black(640 * 400 * 4, 0);
    for (size_t i = 3; i < black.size(); i += 4) black[i] = 65535;
    GeglBuffer* in = gegl_buffer_new(&rect, format);
    gegl_buffer_set(in, &rect, 0, format, black.data(), GEGL_AUTO_ROWSTRIDE);
    GeglNode* graph = gegl_node_new();
    GeglNode* source = gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", in, nullptr);
    GeglNode* op = gegl_node_new_child(graph, "operation", "kelvo:lens-flare", "position-x", 320, "position-y", 200,
                                       nullptr);
    GeglBuffer* out = gegl_buffer_new(&rect, format);
    GeglNode* sink = gegl_node_new_child(graph, "operation", "gegl:write-buffer", "buffer", out, nullptr);
    gegl_node_link_many(source, op, sink, nullptr);
    gegl_node_process(sink);
    std::vector<uint16_t> result(black.size());
    gegl_buffer_get(out, &rect, 1.0, format, result.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_NONE);
    std::set<uint16_t> values;
    for (size_t i = 0; i < result.size(); i += 4) values.insert(result[i]);
    EXPECT_GT(values.size(), 2000u);
    g_object_unref(graph);
    g_object_unref(in);
    g_object_unref(out);
}

}  // namespace
