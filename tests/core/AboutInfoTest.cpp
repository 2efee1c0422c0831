#include "core/AboutInfo.h"

#include <gtest/gtest.h>

TEST(AboutInfoTest, MissingPartsHaveTheirStandIns) {
    EXPECT_EQ(AboutInfo::version("1.4", "27"), "1.4 (27)");
    EXPECT_EQ(AboutInfo::version("", ""), "1.0 (1)");
    EXPECT_EQ(AboutInfo::version("0.1.0", ""), "0.1.0 (1)");
}
