#include "core/PasteboardTypes.h"

#include <gtest/gtest.h>

namespace {

TEST(PasteboardTypes, PromisedByExactNamesAndPrefixesConcealedByTheExactHint) {
    const std::pair<const char*, bool> promised[] = {
        // clang-format off
        {"NSFilesPromisePboardType", true}, {"NSFilesPromisePboardType2", false},
        {"nsfilespromisepboardtype", false}, {"com.apple.NSFilePromiseItemMetaData", true},
        {"com.apple.pasteboard.promised-file-url", true},
        {"x.com.apple.pasteboard.promised", false},
        {"text/plain;charset=utf-8", false}};
    // clang-format on
    for (const auto& [type, expected] : promised)
        EXPECT_EQ(PasteboardTypes::isPromised(QString::fromUtf8(type)), expected) << type;

    const char* const hint = "x-kde-passwordManagerHint";
    const std::tuple<const char*, QByteArray, bool> concealed[] = {
        // clang-format off
        {hint, QByteArray("secret \t\r\n\0\0", 12), true}, {hint, " secret", false},
        {hint, QByteArray("secret\0x", 8), false}, {hint, "secrets", false},
        {hint, QByteArray("\0\0", 2), false}, {"text/plain", "secret", false}};
    // clang-format on
    for (const auto& [target, value, expected] : concealed)
        EXPECT_EQ(PasteboardTypes::isConcealed(QString::fromUtf8(target), value), expected)
            << target << " " << value.toPercentEncoding().constData();
}

} // namespace
