#include "observer/ValueCoercion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quillbar {
namespace {

using nlohmann::json;
using namespace ValueCoercion;
using Int = std::optional<std::int64_t>;

TEST(ValueCoercion, IntegersFromNumbersDropFractionsAndRefuseWhatDoesNotFit) {
    EXPECT_EQ(intValue(json(12)), Int(12));
    EXPECT_EQ(intValue(json(3.9)), Int(3));
    EXPECT_EQ(intValue(json(-3.9)), Int(-3));
    EXPECT_EQ(intValue(json(std::numeric_limits<std::uint64_t>::max())), Int());
    EXPECT_EQ(intValue(json(9.3e18)), Int());
    EXPECT_EQ(intValue(json(-9223372036854775808.0)),
              Int(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(intValue(json(std::nan(""))), Int());
    EXPECT_EQ(intValue(json(std::numeric_limits<double>::infinity())), Int());
    EXPECT_EQ(intValue(json(true)), Int());
    EXPECT_EQ(intValue(json()), Int());
    EXPECT_EQ(int64Value(json::array({1})), Int());
}

TEST(ValueCoercion, IntegerTextMustBeExactlySignAndDigitsWithin64Bits) {
    EXPECT_EQ(intValue(json("12")), Int(12));
    EXPECT_EQ(intValue(json("+12")), Int(12));
    EXPECT_EQ(intValue(json("-007")), Int(-7));
    EXPECT_EQ(int64Value(json("-9223372036854775808")),
              Int(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(int64Value(json("9223372036854775807")),
              Int(std::numeric_limits<std::int64_t>::max()));
    for (const char* bad : {"9223372036854775808", "-9223372036854775809", "", "+", "-", "+-1",
                            " 12", "12 ", "1 2", "1.5", "1e3", "0x10", "twelve", "\xef\xbc\x99"}) {
        EXPECT_EQ(int64Value(json(bad)), Int()) << '"' << bad << '"';
    }
}

TEST(ValueCoercion, KeyedIntegerTakesTheFirstConvertibleKey) {
    const json space = {{"ManagedSpaceID", "1.5"}, {"id64", 9}};
    EXPECT_EQ(int64Value(space, {"ManagedSpaceID", "id64"}), Int(9));
    EXPECT_EQ(int64Value(json{{"ManagedSpaceID", 4}, {"id64", 9}}, {"ManagedSpaceID", "id64"}),
              Int(4));
    EXPECT_EQ(int64Value(json{{"other", 4}}, {"ManagedSpaceID", "id64"}), Int());
    EXPECT_EQ(int64Value(json::array({space}), {"id64"}), Int());
    EXPECT_EQ(int64Value(json(), {"id64"}), Int());
}

TEST(ValueCoercion, DoublesFromNumbersAndWholeNumericText) {
    EXPECT_EQ(doubleValue(json(0.25), 1.0), 0.25);
    EXPECT_EQ(doubleValue(json(3), 1.0), 3.0);
    EXPECT_EQ(doubleValue(json("0.5"), 1.0), 0.5);
    EXPECT_EQ(doubleValue(json("+2e1"), 1.0), 20.0);
    for (const char* bad : {"", " 1", "1 ", "abc", "+-1", "1e999"}) {
        EXPECT_EQ(doubleValue(json(bad), -1.0), -1.0) << '"' << bad << '"';
    }
    EXPECT_EQ(doubleValue(json(false), -1.0), -1.0);
    EXPECT_EQ(doubleValue(json(), -1.0), -1.0);
}

TEST(ValueCoercion, RectanglesNeedAllFourComponents) {
    EXPECT_EQ(rectValue(json{{"X", 1}, {"Y", "2"}, {"Width", 3.5}, {"Height", 4}}),
              (Rect{1, 2, 3.5, 4}));
    EXPECT_EQ(rectValue(json{{"X", 1}, {"Y", 2}, {"Width", 3}}), std::nullopt);
    EXPECT_EQ(rectValue(json{{"X", 1}, {"Y", 2}, {"Width", 3}, {"Height", "tall"}}), std::nullopt);
    EXPECT_EQ(rectValue(json{{"X", 1}, {"Y", 2}, {"Width", 3}, {"Height", "nan"}}), std::nullopt);
    EXPECT_EQ(rectValue(json::array({1, 2, 3, 4})), std::nullopt);
}

TEST(ValueCoercion, StringsAreTextOrANumbersDecimalText) {
    const json d = {{"text", "abc"}, {"empty", ""},  {"int", 42},    {"neg", -7},
                    {"half", 1.5},   {"whole", 3.0}, {"flag", true}, {"list", json::array()}};
    EXPECT_EQ(stringValue(d, "text"), "abc");
    EXPECT_EQ(stringValue(d, "empty"), "");
    EXPECT_EQ(stringValue(d, "int"), "42");
    EXPECT_EQ(stringValue(d, "neg"), "-7");
    EXPECT_EQ(stringValue(d, "half"), "1.5");
    EXPECT_EQ(stringValue(d, "whole"), "3");
    EXPECT_EQ(stringValue(d, "flag"), std::nullopt);
    EXPECT_EQ(stringValue(d, "list"), std::nullopt);
    EXPECT_EQ(stringValue(d, "missing"), std::nullopt);
    EXPECT_EQ(stringValue(json("text"), "text"), std::nullopt);
}

} // namespace
} // namespace quillbar
