#include "pipeline/DecodedPage.h"

#include <stdexcept>

namespace autovelt::inline pipeline {

DecodedPage::DecodedPage(const CycleContext& cycle, const db::Recordset& page)
    : DecodedPage(page, [&cycle](const db::Recordset& row) { return ReadApplicationRow(cycle, row); }) {}

DecodedPage::DecodedPage(const db::Recordset& page, Reader read)
    : read_(std::move(read)),
      rows_(size_t(page.recordCount())),
      thread_([this, page](std::stop_token stop) mutable { decodeAll(stop, std::move(page)); }) {}

namespace {

DecodedRow decodedRow(const DecodedPage::Reader& read, const db::Recordset& page) {
    DecodedRow decoded;
    try {
        try {
            decoded.read = read(page);
        } catch (const VeltError& error) {
            decoded.error = error;
        }
    } catch (...) {  // anything else, a failure to keep the error included
        decoded = DecodedRow{};
        decoded.failure = std::current_exception();
    }
    return decoded;
}

}  // namespace

void DecodedPage::decodeAll(std::stop_token stop, db::Recordset page) {
    page.moveFirst();
    for (size_t index = 0; index < rows_.size() && !stop.stop_requested(); ++index, page.moveNext()) {
        // Written before the count that makes it readable moves past it: the count's release
        // store pairs with the reader's acquire load.
        rows_[index] = decodedRow(read_, page);
        const std::lock_guard lock(mutex_);
        decoded_.store(qsizetype(index) + 1, std::memory_order_release);
        decodedMore_.notify_one();
    }
}

const DecodedRow& DecodedPage::row(qsizetype index) {
    if (index < 0 || index >= qsizetype(rows_.size())) throw std::out_of_range("no such row in the page");
    std::unique_lock lock(mutex_);
    decodedMore_.wait(lock, [&] { return decoded_.load(std::memory_order_acquire) > index; });
    return rows_[size_t(index)];
}

}  // namespace autovelt::pipeline
