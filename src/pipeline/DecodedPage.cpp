#include "pipeline/DecodedPage.h"

#include <stdexcept>

namespace autovelt::inline pipeline {

DecodedPage::DecodedPage(const CycleContext& cycle, const db::Recordset& page)
    : cycle_(cycle),
      rows_(size_t(page.recordCount())),
      failures_(size_t(page.recordCount())),
      thread_([this, page](std::stop_token stop) mutable { decodeAll(stop, std::move(page)); }) {}

void DecodedPage::decodeAll(std::stop_token stop, db::Recordset page) {
    page.moveFirst();
    for (size_t index = 0; index < rows_.size() && !stop.stop_requested(); ++index, page.moveNext()) {
        // Written before the count that makes them readable moves past them.
        try {
            rows_[index].read = ReadApplicationRow(cycle_, page);
        } catch (const VeltError& error) {
            rows_[index].error = error;
        } catch (...) {
            failures_[index] = std::current_exception();
        }
        const std::lock_guard lock(mutex_);
        ++decoded_;
        decodedMore_.notify_one();
    }
}

const DecodedRow& DecodedPage::row(qsizetype index) {
    if (index < 0 || index >= qsizetype(rows_.size())) throw std::out_of_range("no such row in the page");
    std::unique_lock lock(mutex_);
    decodedMore_.wait(lock, [&] { return decoded_ > index; });
    if (failures_[size_t(index)]) std::rethrow_exception(failures_[size_t(index)]);
    return rows_[size_t(index)];
}

}  // namespace autovelt::pipeline
