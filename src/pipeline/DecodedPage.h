#pragma once

// The applications of one page of pending rows, decoded in order on a thread of their own
// while the pass works on the ones before them. Decoding reads only the row and the code
// tables, so doing it ahead changes nothing but when the work is done: every row is decoded
// exactly as the pass would have decoded it when it reached it.

#include "common/VeltError.h"
#include "import/ApplicationIntake.h"
#include "platform/db/Recordset.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace autovelt::inline state { class CycleContext; }

namespace autovelt::inline pipeline {

// One row as decoding left it: the application read, or the error that stopped the reading.
struct DecodedRow {
    std::optional<ApplicationRead> read;
    std::optional<VeltError> error;
};

class DecodedPage {
public:
    // Starts decoding every row of `page`, first to last; the page is shared, not copied.
    DecodedPage(const CycleContext& cycle, const db::Recordset& page);
    // Stops decoding after the row under way and waits for it.
    ~DecodedPage() = default;
    DecodedPage(const DecodedPage&) = delete;
    DecodedPage& operator=(const DecodedPage&) = delete;

    // The page's row `index` (0 first), waiting until it is decoded. Anything but a VeltError
    // that decoding threw is thrown again here, when the pass reaches the row.
    const DecodedRow& row(qsizetype index);

private:
    void decodeAll(std::stop_token stop, db::Recordset page);

    const CycleContext& cycle_;
    std::vector<DecodedRow> rows_;
    std::vector<std::exception_ptr> failures_;
    std::mutex mutex_;
    std::condition_variable decodedMore_;
    qsizetype decoded_ = 0;  // rows_[0, decoded_) are final; guarded by mutex_
    std::jthread thread_;    // last: stopped and joined before the rows it writes go
};

}  // namespace autovelt::pipeline
