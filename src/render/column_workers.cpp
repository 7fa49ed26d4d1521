#include "column_workers.hpp"

#include <algorithm>
#include <cfenv>
#include <chrono>

#include "fault.hpp"

namespace velmora {

int DefaultThreadCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

namespace {

// Eight columns a thread, and eight more, may wait to be committed: while
// the committer waits for a slow column, the others can run ahead. A
// committer that does not compute (a window's, which also paints and
// handles input) may be held up by its events now and then, so the workers
// may run further ahead of it rather than stop.
size_t SlotCount(int threads, bool takerComputes) {
    return static_cast<size_t>((takerComputes ? 8 : 64) * threads + 8);
}

}  // namespace

ColumnWorkers::ColumnWorkers(const ColumnPlan& plan, int first, int end, int threads, bool takerComputes)
    : plan_(plan),
      end_(end),
      takerComputes_(takerComputes),
      slots_(SlotCount(threads, takerComputes)),
      next_(first),
      taken_(first),
      last_(end - 1) {
    // A committer that computes whenever its next column is not ready counts
    // as one of the threads.
    const int workers = takerComputes ? std::max(threads - 1, 1) : std::max(threads, 1);
    threads_.reserve(static_cast<size_t>(workers));
    for (int t = 0; t < workers; ++t)
        threads_.push_back(ThreadWithCallersFloatState([this] { work(); }));
}

ColumnWorkers::~ColumnWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
}

// A column may start when its slot is free: the committer has taken the
// column that held it before.
bool ColumnWorkers::mayStart() const {
    return !stopping_ && next_ <= last_ && next_ < end_ && next_ < taken_ + static_cast<int>(slots_.size());
}

bool ColumnWorkers::computeNext(std::unique_lock<std::mutex>& lock) {
    if (!mayStart()) return false;
    const int col = next_++;
    Slot& slot = slotOf(col);
    lock.unlock();
    std::exception_ptr error;
    try {
        ComputeColumn(plan_, col, slot.outcome);
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    slot.col = col;
    slot.error = error;
    slot.ready = true;
    // The committer waits only for the column after the last it took;
    // waking it for others would take a core from the workers.
    if (col == taken_) ready_.notify_one();
    return true;
}

void ColumnWorkers::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || next_ > last_ || next_ >= end_ || mayStart(); });
        if (!computeNext(lock)) return;
    }
}

const ColumnOutcome& ColumnWorkers::take(int col, EventPump& pump, const bool& cancelRequested) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kPumpInterval = std::chrono::milliseconds(8);
    Slot& slot = slotOf(col);
    std::unique_lock<std::mutex> lock(mutex_);
    auto nextPump = Clock::now() + kPumpInterval;
    while (!(slot.ready && slot.col == col)) {
        if (cancelRequested && last_ > col) {
            last_ = col;
            changed_.notify_all();
        }
        // Rather than wait, compute the next column not yet started (on a
        // short orbit the wait would be most of the committer's time). The
        // window is not pumped meanwhile, as on one thread while a column is
        // computed.
        if (takerComputes_ && computeNext(lock)) continue;
        ready_.wait_until(lock, nextPump);
        if (Clock::now() >= nextPump) {
            lock.unlock();
            pump.pumpWhileWaiting();
            lock.lock();
            nextPump = Clock::now() + kPumpInterval;
        }
    }
    if (slot.error) std::rethrow_exception(slot.error);
    return slot.outcome;
}

void ColumnWorkers::release(int col) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        Slot& slot = slotOf(col);
        slot.ready = false;
        slot.col = -1;
        taken_ = col + 1;
    }
    changed_.notify_all();
}

}  // namespace velmora
