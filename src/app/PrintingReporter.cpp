#include "app/PrintingReporter.h"

namespace autovelt::inline app {

void PrintingReporter::showProgress(const PassProgress& progress) {
    const QDateTime now = clock_.now();
    if (lastProgress_.isValid() && lastProgress_.msecsTo(now) < 1000) return;
    lastProgress_ = now;
    std::fprintf(out_, "%sprogress: application %d of %d: %s\n", mark_.toLocal8Bit().constData(), progress.current, progress.total,
                 FlattenControlCharacters(progress.step).toLocal8Bit().constData());
    std::fflush(out_);
}

void PrintingReporter::print(const char* kind, const QString& line) {
    std::fprintf(out_, "%s%s: %s\n", mark_.toLocal8Bit().constData(), kind, line.toLocal8Bit().constData());
    std::fflush(out_);
}

}  // namespace autovelt::app
