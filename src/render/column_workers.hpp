#pragma once
// Columns of one run computed ahead on worker threads. The committer takes
// them strictly in column order, so whatever it shows and stores is what a
// one-thread run shows and stores; the workers only run ahead of it, by a
// few columns at most, and never touch the program's state.

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "column.hpp"
#include "picture_view.hpp"
#include "run_context.hpp"

namespace velmora {

// The number of threads a run uses unless told otherwise: the machine's
// cores (one when that cannot be told).
int DefaultThreadCount();

class ColumnWorkers {
public:
    // Starts the workers on columns first..end-1 of the run `plan`, which
    // must outlive them: `threads` less one when the thread that takes the
    // columns computes too, else `threads`. Each worker sets up its
    // floating-point state as the calling thread has it.
    ColumnWorkers(const ColumnPlan& plan, int first, int end, int threads, bool takerComputes = true);
    // Stops the workers, finishing at most the columns they are computing,
    // and discards every column not taken.
    ~ColumnWorkers();
    ColumnWorkers(const ColumnWorkers&) = delete;
    ColumnWorkers& operator=(const ColumnWorkers&) = delete;

    // Column `col`, the next in order, once computed; valid until
    // release(col). Until it is ready the calling thread computes columns
    // not yet started (when it computes at all), and while it waits `pump`
    // keeps the window alive; once `cancelRequested` is set no column after
    // `col` is started.
    const ColumnOutcome& take(int col, EventPump& pump, const bool& cancelRequested);
    void release(int col);

private:
    struct Slot {
        int col = -1;  // the column it holds once ready
        bool ready = false;
        ColumnOutcome outcome;
        std::exception_ptr error;
    };

    void work();
    // Whether the next column may start (the lock held).
    bool mayStart() const;
    // Computes the next column if it may start, the lock released meanwhile;
    // whether it did.
    bool computeNext(std::unique_lock<std::mutex>& lock);
    Slot& slotOf(int col) { return slots_[static_cast<size_t>(col) % slots_.size()]; }

    const ColumnPlan& plan_;
    const int end_;
    const bool takerComputes_;
    std::mutex mutex_;
    std::condition_variable changed_;  // for the workers: a slot freed, a stop
    std::condition_variable ready_;    // for the committer: its next column done
    std::vector<Slot> slots_;  // a ring: column col lives in slot col % size
    int next_;                 // the next column to start
    int taken_;                // columns before this one are committed
    int last_;                 // no column after this one is started
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace velmora
