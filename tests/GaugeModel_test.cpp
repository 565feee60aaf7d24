#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/GaugeModel.h"

using namespace quarnel;

TEST(GaugeModel, PositionsArePulledIntoTheRangeAndRepaintFollowsThePercentage) {
    struct Step {
        enum { Max, Pos } op;
        int32_t value;
        int32_t progress;
        bool repaint;
    };
    const Step steps[] = {
        {Step::Max, 1000, 0, true},   {Step::Pos, 5, 5, false},      {Step::Pos, 10, 10, true},
        {Step::Pos, 19, 19, false},   {Step::Pos, 5000, 1000, true}, {Step::Pos, -4, 0, true},
        {Step::Max, 0, 0, true},      {Step::Pos, 77, 0, false},     {Step::Max, 2147483647, 0, true},
        {Step::Pos, 2147483647, 2147483647, true},                    {Step::Max, 10, 10, true},
        {Step::Max, 10, 10, false},
    };
    TGaugeModel gauge;
    for (const auto& s : steps) {
        const bool repaint = s.op == Step::Max ? gauge.SetMaxValue(s.value) : gauge.SetProgress(s.value);
        EXPECT_EQ(gauge.Progress(), s.progress) << s.value;
        EXPECT_EQ(repaint, s.repaint) << s.value;
    }
}

TEST(GaugeModel, AMaximumBelowTheMinimumIsRefusedAndChangesNothing) {
    TGaugeModel gauge;
    gauge.SetMaxValue(50);
    gauge.SetProgress(20);
    EXPECT_THROW(gauge.SetMaxValue(-1), EInvalidOperation);
    EXPECT_EQ(gauge.MaxValue(), 50);
    EXPECT_EQ(gauge.PercentDone(), 40);
}
