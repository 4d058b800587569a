#pragma once

// The applications of one page of pending rows, decoded in order on a thread of their own
// while the pass works on the ones before them. Decoding reads only the row and the code
// tables, so doing it ahead changes nothing but when the work is done: every row is decoded
// exactly as the pass would have decoded it when it reached it.

#include "common/VeltError.h"
#include "import/ApplicationIntake.h"
#include "platform/db/Recordset.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace autovelt::inline state { class CycleContext; }

namespace autovelt::inline pipeline {

// One row as decoding left it: the application read, the VeltError that stopped the
// reading, or any other failure, for the pass to raise when it reaches the row.
struct DecodedRow {
    std::optional<ApplicationRead> read;
    std::optional<VeltError> error;
    std::exception_ptr failure;
};

class DecodedPage {
public:
    // How a row is read; the tests hand in their own.
    using Reader = std::function<ApplicationRead(const db::Recordset& row)>;

    // Starts decoding every row of `page`, first to last, as fast as it can; the page's rows
    // are shared with the thread, not duplicated, and each decoded row is kept until the page
    // is done with.
    DecodedPage(const CycleContext& cycle, const db::Recordset& page);
    DecodedPage(const db::Recordset& page, Reader read);
    // Stops decoding after the row under way and waits for it.
    ~DecodedPage() = default;
    DecodedPage(const DecodedPage&) = delete;
    DecodedPage& operator=(const DecodedPage&) = delete;

    // The page's row `index` (0 first), waiting until it is decoded.
    const DecodedRow& row(qsizetype index);

private:
    void decodeAll(std::stop_token stop, db::Recordset page);

    Reader read_;
    std::vector<DecodedRow> rows_;
    std::mutex mutex_;
    std::condition_variable decodedMore_;
    std::atomic<qsizetype> decoded_ = 0;  // rows_[0, decoded_) are final; changed under mutex_
    std::jthread thread_;    // last: stopped and joined before the rows it writes go
};

}  // namespace autovelt::pipeline
