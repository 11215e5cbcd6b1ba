#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <utility>
#include <vector>

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

TEST(Rounding, HalvesGoToTheEvenNeighbourAndValuesOutsideTheFieldAreOverflowFailures) {
    for (const auto& [value, rounded] :
         std::vector<std::pair<double, int>>{{2.5, 2},
                                             {3.5, 4},
                                             {-2.5, -2},
                                             {100.5, 100},
                                             {101.5, 102},
                                             {2147483646.5, 2147483646}}) {
        EXPECT_EQ(platform::ToInt32(value), rounded) << value;
    }
    EXPECT_EQ(platform::ToInt16(1.4999), 1);
    EXPECT_EQ(platform::ToInt16(32767.4), 32767);
    EXPECT_EQ(platform::ToInt16(-32768.5), -32768);  // half to even stays inside
    EXPECT_EQ(platform::CheckedMul32(-65536, 32768), -2147483647 - 1);
    for (const std::function<void()>& outside : std::vector<std::function<void()>>{
             [] { platform::ToInt16(32767.5); }, [] { platform::ToInt16(-32769); },
             [] { platform::ToInt32(2147483647.5); }, [] { platform::ToInt32(std::nan("")); },
             [] { platform::CheckedAdd32(2147483647, 1); },
             [] { platform::CheckedMul32(65536, 32768); }}) {
        EXPECT_EQ(KindOf(outside), FailureKind::Overflow);
    }
}

TEST(TextToNumber, ReadsPlainDecimalTextAndRefusesAnythingElseAsTypeMismatch) {
    for (const auto& [text, value] : std::vector<std::pair<const char*, float>>{
             {"1000", 1000}, {" 1234.5 ", 1234.5f}, {"-20000", -20000}, {"+7", 7}, {"1e3", 1000}}) {
        EXPECT_EQ(platform::TextToSingle(text), value) << text;
    }
    for (const char* text : {"", " ", "abc", "12abc", "1200, 5", "inf", "nan", "0x10", "--1"}) {
        EXPECT_EQ(KindOf([text] { platform::TextToSingle(text); }), FailureKind::TypeMismatch)
            << text;
    }
    EXPECT_EQ(KindOf([] { platform::TextToSingle("1e300"); }), FailureKind::Overflow);
    // And back: whole numbers without a fraction.
    EXPECT_EQ(platform::NumberText(1000), "1000");
    EXPECT_EQ(platform::NumberText(-15), "-15");
    EXPECT_EQ(platform::NumberText(1234.5), "1234.5");
}
