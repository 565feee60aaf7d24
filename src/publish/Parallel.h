// Independent jobs spread over the machine's cores.
#pragma once

#include <cstddef>
#include <functional>

namespace quarnel {

// The number of threads that keep every core busy; at least 1.
unsigned CoreCount();

// Runs job(i) for every i below count, on up to threads threads, taking the
// jobs in rising order. Once a job raises, no further job starts; the first
// exception raised passes to the caller after the running jobs have ended.
void ParallelFor(size_t count, unsigned threads, const std::function<void(size_t)>& job);

}  // namespace quarnel
