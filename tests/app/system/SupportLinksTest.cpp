#include "app/system/SupportLinks.h"

#include <gtest/gtest.h>

TEST(SupportLinksTest, IsAnHttpsSupportPage) {
    const QUrl url = SupportLinks::url();
    EXPECT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), QStringLiteral("https"));
    EXPECT_FALSE(url.host().isEmpty());
    EXPECT_EQ(url.path(), QStringLiteral("/support"));
}
