// The statements that mark a batch's applications imported on the website.

#include "pipeline/ApplicationEnd.h"

#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// A batch is marked in two statements; only digits of a key and quoted second keys reach them.
TEST(OnlineMarkingStatements, OnlyTheImportedFlagsAndDatesAreWritten) {
    EXPECT_EQ(MarkApplicationStatement({"41", "42; DROP TABLE x"}, "2026-03-05 10:15:00"),
              "UPDATE table_w SET field_107='Y', field_108='2026-03-05 10:15:00' WHERE field_id IN (41,0) ;");
    EXPECT_EQ(MarkAddressesStatement({"A'B", "C"}, "2026-03-05 10:15:00"),
              "UPDATE table_ad SET field_21='Y', field_22='2026-03-05 10:15:00' WHERE field_2 IN ('A''B','C') AND field_21<>'Y';");
}

}  // namespace
