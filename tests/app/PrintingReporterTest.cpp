#include "app/PrintingReporter.h"
#include "support/ManualClock.h"

#include <QStringList>
#include <cstdio>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

QStringList linesWritten(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    QStringList lines;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, file)) lines << QString::fromLocal8Bit(buffer).trimmed();
    return lines;
}

// The headless runner's output is the service's journal: every report line, and at most one progress line a second.
TEST(PrintingReporter, PrintsEveryLineAndProgressAtMostOnceASecond) {
    test::ManualClock clock;
    std::FILE* out = std::tmpfile();
    PrintingReporter reporter(clock, out);
    reporter.showProgress({1, 40, QStringLiteral("reading the application")});
    for (int step = 0; step < 4; ++step) {  // four more steps within 0.8 s: none printed
        clock.pause(0.2);
        reporter.showProgress({1, 40, QStringLiteral("writing the member")});
    }
    reporter.showException(QStringLiteral("Member 12 failed ID search.\nsecond line"));
    clock.pause(0.2);  // a second after the first progress line
    reporter.showProgress({2, 40, QStringLiteral("matching the applicant")});
    reporter.showSuccess(QStringLiteral("Member 13 passed ID search."));

    EXPECT_EQ(linesWritten(out), (QStringList{"progress: application 1 of 40: reading the application",
                                              "problem: Member 12 failed ID search. second line",
                                              "progress: application 2 of 40: matching the applicant",
                                              "success: Member 13 passed ID search."}));
    std::fclose(out);
}

}  // namespace
