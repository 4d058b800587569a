#include "state/UnitSession.h"

#include "state/CycleContext.h"

namespace autovelt::inline state {

UnitSession::UnitSession(const CycleContext& cycle, Reporter& reporter)
    : cycle_(cycle), reporter_(reporter), recordedResponses_(cycle.programFile(QStringLiteral("recorded-responses"))),
      stagedFiles_(cycle.programFile(QStringLiteral("staging"))) {}

void UnitSession::ShowException(const QString& prob) {
    const QString line = cycle_.withoutPasswords(prob);
    if (heldLines_) heldLines_->push_back({true, line});
    else reporter_.showException(line);
}

void UnitSession::ShowSuccess(const QString& stuff) {
    if (heldLines_) heldLines_->push_back({false, stuff});
    else reporter_.showSuccess(stuff);
}

void UnitSession::holdLines() {
    if (!heldLines_) heldLines_.emplace();
}

void UnitSession::releaseLines() {
    if (!heldLines_) return;
    const std::vector<HeldLine> lines = std::move(*heldLines_);
    heldLines_.reset();
    for (const HeldLine& line : lines) {
        if (line.problem) reporter_.showException(line.text);
        else reporter_.showSuccess(line.text);
    }
}

void UnitSession::dropHeldLines() {
    if (heldLines_) heldLines_->clear();
}

}  // namespace autovelt::state
