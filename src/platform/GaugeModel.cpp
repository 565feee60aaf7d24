#include "platform/GaugeModel.h"

#include "platform/Exceptions.h"

namespace quarnel {

int32_t TGaugeModel::PercentDone() const {
    const int64_t range = static_cast<int64_t>(maxValue_) - MinValue();
    if (range == 0) return 0;
    return static_cast<int32_t>((static_cast<int64_t>(progress_) - MinValue()) * 100 / range);
}

bool TGaugeModel::SetMaxValue(int32_t value) {
    if (value == maxValue_) return false;
    if (value < MinValue())
        throw EInvalidOperation("Value must be between " + std::to_string(MinValue() + 1) + " and 2147483647");
    maxValue_ = value;
    if (progress_ > value) progress_ = value;
    return true;
}

bool TGaugeModel::SetProgress(int32_t value) {
    if (value < MinValue()) value = MinValue();
    if (value > maxValue_) value = maxValue_;
    if (value == progress_) return false;
    const int32_t before = PercentDone();
    progress_ = value;
    return PercentDone() != before;
}

}  // namespace quarnel
