#include "import/AddressRow.h"

#include <gtest/gtest.h>

namespace autovelt {
namespace {

using Lines = std::array<QString, 4>;

AddressRow rowOf(std::initializer_list<std::pair<int, const char*>> values) {
    AddressRow row;
    for (const auto& [position, value] : values) row[position] = QString::fromUtf8(value);
    return row;
}

TEST(ComposeAddressLines, AFlatTakesTheSecondLine) {
    const AddressRow row = rowOf({{ad::Building, "Rose Court"}, {ad::Flat, "Flat 3"}, {ad::Street1, "High Street"},
                                  {ad::Street2, "Headingley"}, {ad::Town, "Leeds"}, {ad::County, "W Yorks"}});
    EXPECT_EQ(ComposeAddressLines(row), (Lines{"Rose Court High Street", "Flat 3", "Headingley", "Leeds"}));
}

TEST(ComposeAddressLines, ANumberOrAShortNameSharesTheFirstLine) {
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Building, "221"}, {ad::Street1, "Baker Street"}, {ad::Street2, "Marylebone"},
                                         {ad::Town, "London"}, {ad::County, "Greater London"}})),
              (Lines{"221 Baker Street", "Marylebone", "London", "Greater London"}));
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Building, "12A"}, {ad::Street1, "Mill Lane"}, {ad::Town, "York"}})),
              (Lines{"12A Mill Lane", "", "York", ""}));
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Building, "Ivy H"}, {ad::Street1, "Mill Lane"}})),
              (Lines{"Ivy H Mill Lane", "", "", ""}));
}

TEST(ComposeAddressLines, ANameOfSixOrMoreCharactersStandsAlone) {
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Building, "Ivy Ho"}, {ad::Street1, "Mill Lane"}, {ad::Street2, "Acomb"},
                                         {ad::Town, "York"}, {ad::County, "N Yorks"}})),
              (Lines{"Ivy Ho", "Mill Lane", "Acomb", "York"}));
    // A long number is still a number.
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Building, "1234567"}, {ad::Street1, "Long Road"}}))[0], "1234567 Long Road");
}

TEST(ComposeAddressLines, NoBuildingLeavesNoStrayBlank) {
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Street1, "Station Road"}, {ad::Town, "Hull"}})),
              (Lines{"Station Road", "", "Hull", ""}));
    EXPECT_EQ(ComposeAddressLines(rowOf({{ad::Flat, "Flat 1"}, {ad::Street1, "Station Road"}}))[0], "Station Road");
}

TEST(ComposeAddressLines, TheSharedLineIsCutToFiftyCharacters) {
    const QString street(48, QLatin1Char('x'));
    AddressRow row;
    row[ad::Building] = QStringLiteral("12");
    row[ad::Street1] = street;
    EXPECT_EQ(ComposeAddressLines(row)[0], QStringLiteral("12 ") + street.left(47));
}

TEST(AddressSlots, TwelveTextsInTheOrderTheDetailsFilePrintsThem) {
    AddressRow row;
    for (int position = 1; position <= ad::Last; ++position) row[position] = QString::number(position);
    const auto slots_ = AddressSlots(row);
    EXPECT_EQ(slots_[0], QString());
    const char* expected[] = {"7", "8", "9", "10", "11", "12", "13", "14", "15", "17", "18", "19"};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(slots_[i + 1], QLatin1String(expected[i])) << i + 1;
}

TEST(LinkedMemberNumber, OnlyWholeNumbersLink) {
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, "1234"}})), 1234);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, " 42 "}})), 42);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, "-5"}})), -5);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, ""}})), 0);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, "12.5"}})), 0);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, "12 OR 1=1"}})), 0);
    EXPECT_EQ(LinkedMemberNumber(rowOf({{ad::SortCode, "1e300"}})), 0);
}

TEST(AddressRow, HasNoAddressLooksAtBuildingFlatStreetAndPostcode) {
    EXPECT_TRUE(rowOf({{ad::Town, "Leeds"}, {ad::County, "Acme Ltd"}, {ad::Telephone, "0113"}}).hasNoAddress());
    EXPECT_FALSE(rowOf({{ad::Postcode, "LS1 1AA"}}).hasNoAddress());
    EXPECT_FALSE(rowOf({{ad::Flat, "Flat 2"}}).hasNoAddress());
    EXPECT_TRUE(rowOf({{ad::ThirdCode, "NOKSAME"}}).isNokSame());
}

}  // namespace
}  // namespace autovelt
