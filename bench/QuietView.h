// A receiving side for benchmarks: keeps the gauge rules and draws nothing.
#pragma once

#include <string>

#include "update/UpdateView.h"

namespace quarnel::bench {

class QuietView : public TUpdateView {
public:
    void SetStatusCaption(const std::string&) override {}
    void SetButtonsVisible(bool) override {}
    void UpdateRevision(const std::string&) override {}
};

}  // namespace quarnel::bench
