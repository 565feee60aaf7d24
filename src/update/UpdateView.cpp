#include "update/UpdateView.h"

namespace quarnel {

void TUpdateView::SetGaugeMax(TGaugeIndex index, int32_t value) {
    if (gauges_[index].SetMaxValue(value)) GaugeChanged(index);
}

void TUpdateView::SetGaugeProgress(TGaugeIndex index, int32_t value) {
    if (gauges_[index].SetProgress(value)) GaugeChanged(index);
}

}  // namespace quarnel
