// A loan pass's working values end with the application it ran for. The importer runs for
// days as a service, so a later application, in a cycle of another day, must not see them.

#include "support/ImportPassFixture.h"

using namespace autovelt;
using namespace autovelt::test;

namespace {

class LoanWorkingValuesTest : public ImportPassTest {};

// The diary note of a refused application is dated the day its cycle ran, not the day of the
// last loan the importer wrote.
TEST_F(LoanWorkingValuesTest, ANoteOfTheNextDaysApplicationCarriesThatDay) {
    add(WebApplication::joinAndBorrow(3));
    runCycle();
    ASSERT_EQ(successes().filter("Created L1 loan app").size(), 1);

    addMember({.number = 700, .forename = "Ann", .surname = "Lee", .ni = "EF123456A", .status = "D"});
    inst.clock().set(kImportPassTime.addDays(1));
    add(withNino(WebApplication::joinOnly(4).set(4, "Ann").set(6, "Lee"), "EF123456A"));
    runCycle();
    EXPECT_EQ(inst.values("TarvTran", "SELECT Keyword || '|' || Msgdate FROM Diary WHERE Memberno=700"),
              QStringList{"VELT|2026-03-06"});
}

}  // namespace
