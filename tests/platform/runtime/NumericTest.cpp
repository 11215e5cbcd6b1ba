#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "platform/runtime/Failure.h"
#include "platform/runtime/Numeric.h"

using platform::Failure;
using platform::FailureKind;

namespace {

FailureKind KindOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return failure.kind();
    }
    ADD_FAILURE() << "no failure raised";
    return FailureKind::CallFailed;
}

}  // namespace

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(platform::ToInt32(2.5), 2);
    EXPECT_EQ(platform::ToInt32(3.5), 4);
    EXPECT_EQ(platform::ToInt32(-2.5), -2);
    EXPECT_EQ(platform::ToInt32(100.5), 100);
    EXPECT_EQ(platform::ToInt32(101.5), 102);
    EXPECT_EQ(platform::ToInt16(1.4999), 1);
}

TEST(Rounding, ValuesOutsideTheFieldAreOverflowFailures) {
    EXPECT_EQ(platform::ToInt16(32767.4), 32767);
    EXPECT_EQ(platform::ToInt16(-32768.5), -32768);  // half to even stays inside
    EXPECT_EQ(KindOf([] { platform::ToInt16(32767.5); }), FailureKind::Overflow);
    EXPECT_EQ(KindOf([] { platform::ToInt16(-32769); }), FailureKind::Overflow);
    EXPECT_EQ(KindOf([] { platform::ToInt32(2147483647.5); }), FailureKind::Overflow);
    EXPECT_EQ(KindOf([] { platform::ToInt32(std::nan("")); }), FailureKind::Overflow);
    EXPECT_EQ(KindOf([] { platform::CheckedAdd32(2147483647, 1); }), FailureKind::Overflow);
    EXPECT_EQ(KindOf([] { platform::CheckedMul32(65536, 32768); }), FailureKind::Overflow);
    EXPECT_EQ(platform::CheckedMul32(-65536, 32768), -2147483647 - 1);
}

TEST(TextToNumber, ReadsPlainDecimalText) {
    EXPECT_EQ(platform::TextToSingle("1000"), 1000.0f);
    EXPECT_EQ(platform::TextToSingle(" 1234.5 "), 1234.5f);
    EXPECT_EQ(platform::TextToSingle("-20000"), -20000.0f);
    EXPECT_EQ(platform::TextToSingle("+7"), 7.0f);
    EXPECT_EQ(platform::TextToSingle("1e3"), 1000.0f);
}

TEST(TextToNumber, RefusesAnythingElseAsTypeMismatch) {
    for (const char* text : {"", " ", "abc", "12abc", "1200, 5", "inf", "nan", "0x10", "--1"}) {
        EXPECT_EQ(KindOf([text] { platform::TextToSingle(text); }), FailureKind::TypeMismatch)
            << text;
    }
    EXPECT_EQ(KindOf([] { platform::TextToSingle("1e300"); }), FailureKind::Overflow);
}

TEST(NumberText, WholeNumbersHaveNoFraction) {
    EXPECT_EQ(platform::NumberText(1000), "1000");
    EXPECT_EQ(platform::NumberText(-15), "-15");
    EXPECT_EQ(platform::NumberText(1234.5), "1234.5");
}
