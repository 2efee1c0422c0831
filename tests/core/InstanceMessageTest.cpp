#include "core/InstanceMessage.h"

#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(InstanceMessageTest, CarriesArgumentsAndRefusesAnythingElse) {
    const QStringList arguments{QStringLiteral("verdolin://translate?text=%22Hola%22"),
                                QStringLiteral("--translate-text"),
                                QStringLiteral("línea 1\nlínea 2 \"\\\u0000")};
    EXPECT_EQ(InstanceMessage::decode(InstanceMessage::encode(arguments)), arguments);
    EXPECT_EQ(InstanceMessage::decode("[]"), QStringList());

    const QByteArray atTheLimit = "[\"" + QByteArray(InstanceMessage::kMaxBytes - 4, 'a') + "\"]";
    ASSERT_EQ(atTheLimit.size(), InstanceMessage::kMaxBytes);
    EXPECT_TRUE(InstanceMessage::decode(atTheLimit).has_value());

    // clang-format off
    const QByteArray refused[] = {
        "[\"" + QByteArray(InstanceMessage::kMaxBytes - 3, 'a') + "\"]", "", "[\"unfinished",
        "{\"arguments\": []}", "[\"text\", 42]", "[null]", "\"text\"", "[\"a\"] trailing"};
    // clang-format on
    for (const QByteArray& message : refused) {
        SCOPED_TRACE(message.left(40).toStdString());
        EXPECT_EQ(InstanceMessage::decode(message), std::nullopt);
    }
}

} // namespace
