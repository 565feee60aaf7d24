#include "update/DigestAhead.h"

namespace quarnel {

namespace {

constexpr size_t kWindow = 64;

}  // namespace

unsigned TDigestAhead::DefaultHelpers() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 0;
}

TDigestAhead::TDigestAhead(std::vector<std::string> paths, unsigned helpers)
    : paths_(std::move(paths)), slots_(std::make_unique<TSlot[]>(paths_.size())) {
    if (paths_.size() < 2) return;
    for (unsigned i = 0; i < helpers; ++i) helpers_.emplace_back([this] { Help(); });
}

TDigestAhead::~TDigestAhead() {
    stop_ = true;
    taken_.fetch_add(kWindow);
    taken_.notify_all();
}

bool TDigestAhead::Claim(size_t index) {
    uint32_t expected = kFree;
    return slots_[index].state.compare_exchange_strong(expected, kClaimed);
}

void TDigestAhead::Help() {
    for (;;) {
        const size_t index = next_.fetch_add(1);
        if (index >= paths_.size()) return;
        for (size_t taken = taken_.load(); index >= taken + kWindow; taken = taken_.load()) {
            if (stop_) return;
            taken_.wait(taken);
        }
        if (stop_) return;
        Work(index);
    }
}

void TDigestAhead::Work(size_t index) {
    if (paths_[index].empty() || !Claim(index)) return;
    slots_[index].digest = DigestFile(paths_[index]);
    slots_[index].state.store(kDone);
    slots_[index].state.notify_all();
}

std::string TDigestAhead::Take(size_t index) {
    TSlot& slot = slots_[index];
    if (Claim(index)) {
        slot.digest = DigestFile(paths_[index]);
    } else {
        // A helper has this entry. Sleeping until it is done would leave this
        // core idle, and the helpers would do all the work in turn; instead
        // digest unclaimed entries further on, within the same window.
        while (slot.state.load() != kDone) {
            size_t next = next_.load();
            if (next >= paths_.size() || next >= index + kWindow) break;
            if (next_.compare_exchange_weak(next, next + 1)) Work(next);
        }
        slot.state.wait(kClaimed);
    }
    taken_.store(index + 1);
    taken_.notify_all();
    return DigestToHex(slot.digest);
}

}  // namespace quarnel
