#include "settings_file.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cli_test_support.h"

namespace kelvo {

namespace {

using flare::FilterParameters;

std::vector<uint8_t> RecordBytes(const FilterParameters& p) {
    std::vector<uint8_t> bytes(sizeof p);
    std::memcpy(bytes.data(), &p, sizeof p);
    return bytes;
}

// A record whose every byte differs from the defaults', reserved tail included.
FilterParameters UnusualRecord() {
    FilterParameters p;
    auto* bytes = reinterpret_cast<uint8_t*>(&p);
    for (size_t i = 0; i < sizeof p; ++i) bytes[i] = static_cast<uint8_t>(0xA5 ^ (i * 29));
    p.previewScale = 3.0;
    return p;
}

template <typename T>
T ReadAt(const std::vector<uint8_t>& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST(SettingsFileSave, DefaultRecordGivesTheMarkerAndTheRecordImage) {
    clitest::ScratchDir dir;
    const FilterParameters defaults = flare::DefaultFlareParameters();
    ASSERT_TRUE(flare::SaveSettingsFile(dir.File("d.lns").c_str(), defaults));
    const std::vector<uint8_t> file = clitest::ReadBytes(dir.File("d.lns"));
    ASSERT_EQ(185u, file.size());
    EXPECT_EQ(1, file[0]);
    EXPECT_EQ(100, ReadAt<int32_t>(file, 1));
    EXPECT_EQ(100, ReadAt<int32_t>(file, 5));
    EXPECT_EQ(10.0, ReadAt<double>(file, 9));     // flareSize
    EXPECT_EQ(21.0, ReadAt<double>(file, 17));    // flareBright
    EXPECT_EQ(0.05, ReadAt<double>(file, 33));    // flareHue
    EXPECT_EQ(22.0, ReadAt<double>(file, 81));    // raysCount
    EXPECT_EQ(0.7, ReadAt<double>(file, 153));    // anamorphicHue
    EXPECT_EQ(1.0, ReadAt<double>(file, 161));    // positionAspect
    EXPECT_EQ(0.0, ReadAt<double>(file, 169));    // previewScale
    EXPECT_EQ(1, ReadAt<int16_t>(file, 177));     // showDialog
    for (size_t i = 179; i < 185; ++i) EXPECT_EQ(0, file[i]) << "reserved byte " << i;
}

TEST(SettingsFileSave, RewritesAnExistingFileAndReportsFailure) {
    clitest::ScratchDir dir;
    const std::string path = dir.File("s.lns");
    clitest::WriteBytes(path, std::vector<uint8_t>(400, 9));
    ASSERT_TRUE(flare::SaveSettingsFile(path.c_str(), flare::DefaultFlareParameters()));
    EXPECT_EQ(185u, clitest::ReadBytes(path).size()) << "the old, longer content is truncated";
    EXPECT_FALSE(flare::SaveSettingsFile(dir.File("missing/dir/s.lns").c_str(), flare::DefaultFlareParameters()));
    EXPECT_FALSE(flare::SaveSettingsFile(nullptr, flare::DefaultFlareParameters()));
}

TEST(SettingsFileLoad, RestoresTheRecordByteForByteButKeepsPreviewScale) {
    clitest::ScratchDir dir;
    const FilterParameters saved = UnusualRecord();
    ASSERT_TRUE(flare::SaveSettingsFile(dir.File("u.lns").c_str(), saved));
    const std::vector<uint8_t> file = clitest::ReadBytes(dir.File("u.lns"));
    ASSERT_EQ(185u, file.size());
    EXPECT_EQ(RecordBytes(saved), std::vector<uint8_t>(file.begin() + 1, file.end())) << "written as in memory";

    FilterParameters loaded = flare::DefaultFlareParameters();
    loaded.previewScale = 2.0;
    ASSERT_TRUE(flare::LoadSettingsFile(dir.File("u.lns").c_str(), &loaded));
    FilterParameters expected = saved;
    expected.previewScale = 2.0;  // the record's own reduction factor stays
    EXPECT_EQ(RecordBytes(expected), RecordBytes(loaded));
    EXPECT_EQ(0, std::memcmp(saved.reserved, loaded.reserved, sizeof saved.reserved));
}

TEST(SettingsFileLoad, OnlyTheMarkerByteOneIsAccepted) {
    clitest::ScratchDir dir;
    std::vector<uint8_t> file(185, 0x11);
    const FilterParameters before = UnusualRecord();
    for (uint8_t marker : {0, 2, 0xFF}) {
        file[0] = marker;
        clitest::WriteBytes(dir.File("m.lns"), file);
        FilterParameters p = before;
        EXPECT_FALSE(flare::LoadSettingsFile(dir.File("m.lns").c_str(), &p)) << int(marker);
        EXPECT_EQ(RecordBytes(before), RecordBytes(p)) << int(marker);
    }
    clitest::WriteBytes(dir.File("empty.lns"), {});
    FilterParameters p = before;
    EXPECT_FALSE(flare::LoadSettingsFile(dir.File("empty.lns").c_str(), &p));
    EXPECT_FALSE(flare::LoadSettingsFile(dir.File("absent.lns").c_str(), &p));
    EXPECT_FALSE(flare::LoadSettingsFile(nullptr, &p));
    EXPECT_EQ(RecordBytes(before), RecordBytes(p));

    // The marker alone is a file with nothing in it: accepted, nothing changes.
    clitest::WriteBytes(dir.File("marker.lns"), {1});
    EXPECT_TRUE(flare::LoadSettingsFile(dir.File("marker.lns").c_str(), &p));
    EXPECT_EQ(RecordBytes(before), RecordBytes(p));
}

TEST(SettingsFileLoad, ShortFileReplacesOnlyTheLeadingBytes) {
    clitest::ScratchDir dir;
    std::vector<uint8_t> file = {1};
    const int32_t x = -20000, y = 777;  // outside the dialog's ranges: taken as they are
    file.resize(9);
    std::memcpy(&file[1], &x, 4);
    std::memcpy(&file[5], &y, 4);
    clitest::WriteBytes(dir.File("xy.lns"), file);

    const FilterParameters before = UnusualRecord();
    FilterParameters p = before;
    ASSERT_TRUE(flare::LoadSettingsFile(dir.File("xy.lns").c_str(), &p));
    EXPECT_EQ(x, p.positionX);
    EXPECT_EQ(y, p.positionY);
    const std::vector<uint8_t> a = RecordBytes(before), b = RecordBytes(p);
    EXPECT_EQ(std::vector<uint8_t>(a.begin() + 8, a.end()), std::vector<uint8_t>(b.begin() + 8, b.end()));

    // A file that ends inside previewScale changes nothing there either.
    std::vector<uint8_t> partial(1 + 172, 0x42);
    partial[0] = 1;
    clitest::WriteBytes(dir.File("partial.lns"), partial);
    p = before;
    ASSERT_TRUE(flare::LoadSettingsFile(dir.File("partial.lns").c_str(), &p));
    EXPECT_EQ(before.previewScale, p.previewScale);
    EXPECT_EQ(before.showDialog, p.showDialog);
    EXPECT_EQ(0, std::memcmp(before.reserved, p.reserved, sizeof p.reserved));
}

TEST(SettingsFileLoad, BytesAfterTheRecordAreIgnoredAndValuesAreNotChecked) {
    clitest::ScratchDir dir;
    FilterParameters saved = flare::DefaultFlareParameters();
    saved.flareSize = 500.0;  // the dialog clamps it when it shows it, the loader does not
    saved.raysCount = 22.5;
    ASSERT_TRUE(flare::SaveSettingsFile(dir.File("long.lns").c_str(), saved));
    std::vector<uint8_t> file = clitest::ReadBytes(dir.File("long.lns"));
    file.insert(file.end(), 64, 0xEE);
    clitest::WriteBytes(dir.File("long.lns"), file);

    FilterParameters p = UnusualRecord();
    const double scale = p.previewScale;
    ASSERT_TRUE(flare::LoadSettingsFile(dir.File("long.lns").c_str(), &p));
    saved.previewScale = scale;
    EXPECT_EQ(RecordBytes(saved), RecordBytes(p));
    EXPECT_EQ(500.0, p.flareSize);
    EXPECT_EQ(22.5, p.raysCount);
}

}  // namespace

namespace {

// The dialog tells the user why a load changed nothing; it needs to know which
// of the two reasons it was.
TEST(SettingsFileRead, SaysWhyNothingWasLoaded) {
    clitest::ScratchDir dir;
    FilterParameters p = flare::DefaultFlareParameters();
    const std::vector<uint8_t> before = RecordBytes(p);
    EXPECT_EQ(flare::ReadSettingsFile(dir.File("absent.lns").c_str(), &p), flare::SettingsFileRead::CannotOpen);
    clitest::WriteBytes(dir.File("empty.lns"), {});
    EXPECT_EQ(flare::ReadSettingsFile(dir.File("empty.lns").c_str(), &p), flare::SettingsFileRead::NotSettingsFile);
    clitest::WriteBytes(dir.File("two.lns"), std::vector<uint8_t>(185, 2));
    EXPECT_EQ(flare::ReadSettingsFile(dir.File("two.lns").c_str(), &p), flare::SettingsFileRead::NotSettingsFile);
    EXPECT_EQ(RecordBytes(p), before);
    clitest::WriteBytes(dir.File("one.lns"), {1, 7, 0, 0, 0});
    EXPECT_EQ(flare::ReadSettingsFile(dir.File("one.lns").c_str(), &p), flare::SettingsFileRead::Loaded);
    EXPECT_EQ(p.positionX, 7);
}

}  // namespace

}  // namespace kelvo
