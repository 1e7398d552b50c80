#include <gtest/gtest.h>

#include <string>

#include "nearest_name.h"

namespace kelvo {

TEST(NearestName, FindsTyposAndSwapsWithoutCaseButNotStrangers) {
    const char* const names[] = {"flareSize", "flareBright", "haloSize", "positionX", "positionY"};
    auto nearest = [&](const char* typed) {
        const char* n = kelvo::NearestName(typed, names, 5);
        return std::string(n != nullptr ? n : "");
    };
    EXPECT_EQ(nearest("flareSise"), "flareSize");
    EXPECT_EQ(nearest("FLARESIZE"), "flareSize");
    EXPECT_EQ(nearest("flaerSize"), "flareSize");  // neighbours swapped: one edit
    EXPECT_EQ(nearest("positonX"), "positionX");
    EXPECT_EQ(nearest("haloSz"), "haloSize");
    EXPECT_EQ(nearest("xyz"), "");
    EXPECT_EQ(nearest(""), "");
    EXPECT_EQ(kelvo::NearestName(nullptr, names, 5), nullptr);
}

}  // namespace kelvo
