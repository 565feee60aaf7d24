// Digests the files of a list ahead of the thread that walks it, on the
// machine's other cores, so that verification runs at the speed of all of
// them while its reports still come one entry at a time, in order.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/md5.h"

namespace quarnel {

class TDigestAhead {
public:
    // paths[i] is the file of entry i, or empty for an entry never asked for.
    // helpers is the number of threads that work ahead (0: none).
    explicit TDigestAhead(std::vector<std::string> paths, unsigned helpers = DefaultHelpers());
    ~TDigestAhead();
    TDigestAhead(const TDigestAhead&) = delete;
    TDigestAhead& operator=(const TDigestAhead&) = delete;

    // DigestToHex(DigestFile(paths[i])): a helper's result when it has one,
    // otherwise computed here. Entries are taken in rising order.
    std::string Take(size_t index);

    static unsigned DefaultHelpers();

private:
    enum : uint32_t { kFree, kClaimed, kDone };
    struct TSlot {
        std::atomic<uint32_t> state{kFree};
        Digest digest{};
    };

    void Help();
    // Digests entry index unless it needs none or another thread has it.
    void Work(size_t index);
    bool Claim(size_t index);

    std::vector<std::string> paths_;
    std::unique_ptr<TSlot[]> slots_;
    std::atomic<size_t> next_{0};
    // Helpers stay within a window past the entry last taken, so a run that
    // ends early has not read far ahead.
    std::atomic<size_t> taken_{0};
    std::atomic<bool> stop_{false};
    std::vector<std::jthread> helpers_;
};

}  // namespace quarnel
