// The typed values of an application, each read by one rule from the column it comes from.

#include "state/Application.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace autovelt;

namespace {

TEST(Application, TypedValuesAreReadByTheirRules) {
    struct Case { const char* given; const char* born; const char* amount; const char* term; };
    const Case cases[] = {
        {"42", "15/04/1985", "1500", "24"},
        {"42.5", "1985-04-15", "1,500", "24 months"},  // half to even; the leading number only
        {"43.5", "31/02/1985", "", "x"},               // no such day; no number
    };
    using Values = std::tuple<long, std::optional<QDate>, double, double>;
    const Values expected[] = {{42, QDate(1985, 4, 15), 1500, 24}, {42, QDate(1985, 4, 15), 1, 24}, {44, std::nullopt, 0, 0}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        Application a;
        a.field[tw::GivenMemberNumber] = cases[i].given;
        a.field[tw::DateOfBirth] = cases[i].born;
        a.field[tw::LoanAmount] = cases[i].amount;
        a.field[tw::TermMonths] = cases[i].term;
        EXPECT_EQ(Values(a.givenMemberNumber(), a.dateOfBirth(), a.loanAmount(), a.termMonths()), expected[i]) << cases[i].given;
    }
}

}  // namespace
