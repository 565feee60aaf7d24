// The state of a progress gauge shared by every front end: a range from 0
// to a maximum and a position pulled into it; the drawn bar follows the
// whole-number percentage only.
#pragma once

#include <cstdint>

namespace quarnel {

class TGaugeModel {
public:
    int32_t MinValue() const { return 0; }
    int32_t MaxValue() const { return maxValue_; }
    int32_t Progress() const { return progress_; }
    // Whole percent done; 0 for an empty range.
    int32_t PercentDone() const;

    // A maximum below the minimum raises EInvalidOperation and changes nothing.
    // Both return true when the drawn gauge changes and needs repainting.
    bool SetMaxValue(int32_t value);
    bool SetProgress(int32_t value);

private:
    int32_t maxValue_ = 100;
    int32_t progress_ = 0;
};

}  // namespace quarnel
