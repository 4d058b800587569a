#include "import/Addresses.h"

#include "import/AddressTestFixture.h"

#include <gtest/gtest.h>

namespace autovelt::test {
namespace {

using Lines = QStringList;

// An applicant who lives with, or names as beneficiary, a member of the credit union.
class AddressLinkTest : public AddressTest {
protected:
    void SetUp() override {
        AddressTest::SetUp();
        linkedMember(200, "Jane", "Doe", "A");
        linkedMember(201, "Ann", "Smith", "b");
        linkedMember(202, "Tom", "Smith", "A");
        application(900, true);
    }

    void linkedMember(long number, const QString& forename, const QString& surname, const QString& status) {
        member(number, forename, surname, status);
        storedAddress(number, "HOME", {{"Line1", QString::number(number) + " Oak Avenue"}, {"Line2", "Roundhay"}, {"Line3", "Leeds"},
                                       {"Line4", "W Yorks"}, {"Line5", "UK"}, {"Postcode", "LS8 1CC"}});
    }

    // The applicant's own address as given on a HOME row that names a member to live with.
    AdValues livingWith(const QString& linked) {
        return {{4, linked}, {6, "NOKSAME"}, {7, "5"}, {9, "elm road"}, {11, "leeds"}, {14, "ls2 2bb"}};
    }

    QString linkage(const QString& linked, const QString& tail) {
        return "Member 900 joining based on linkage to member " + linked + tail + kSuffix;
    }
};

TEST_F(AddressLinkTest, HomeSharedWithAMemberOfTheSameSurnameCopiesTheirAddressQuietly) {
    address("HOME", livingWith("202"));
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "HOME"), (Lines{"202 Oak Avenue", "Roundhay", "Leeds", "W Yorks", "UK", "LS8 1CC"}));
    EXPECT_TRUE(problems().isEmpty()) << problems().join('\n').toStdString();
}

TEST_F(AddressLinkTest, HomeSharedWithAMemberWhoDoesNotExistUsesTheAddressGiven) {
    address("HOME", livingWith("777"));
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{linkage("777", " but their record does not exist.")});
    EXPECT_EQ(lines(900, "HOME"), (Lines{"5 Elm Road", "", "Leeds", "", "<null>", "LS2 2BB"}));
}

TEST_F(AddressLinkTest, HomeSharedWithAMemberOfAnotherSurnameIsCopiedWithAWarning) {
    address("HOME", livingWith("200"));
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{linkage("200", " do not share same surname - verify details.")});
    EXPECT_EQ(lines(900, "HOME"), (Lines{"200 Oak Avenue", "Roundhay", "Leeds", "W Yorks", "UK", "LS8 1CC"}));
}

TEST_F(AddressLinkTest, HomeSharedWithABarredMemberIsCopiedWithTheirStatus) {
    address("HOME", livingWith("201"));
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{linkage("201", " but their current status is B.")});
    EXPECT_EQ(stored(900, "HOME", "Line1"), "201 Oak Avenue");
}

TEST_F(AddressLinkTest, ALinkWithoutNoksameIsOnlyAnAddress) {
    address("HOME", {{4, "200"}, {7, "5"}, {9, "elm road"}, {14, "ls2 2bb"}});
    ImportAddresses(im());
    EXPECT_EQ(stored(900, "HOME", "Line1"), "5 Elm Road");
    EXPECT_TRUE(problems().isEmpty());
}

TEST_F(AddressLinkTest, BeneficiaryLivingWithTheApplicantNamedAfterTheLinkedMember) {
    address("HOME", {{7, "5"}, {9, "elm road"}, {10, "chapel allerton"}, {11, "leeds"}, {14, "ls2 2bb"}});
    address("BENE1", {{4, "200"}, {6, "NOKSAME"}, {12, "someone"}, {13, "daughter"}});
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "BENE1"), (Lines{"5 Elm Road", "Chapel Allerton", "Leeds", "Jane Doe", "Daughter", "LS2 2BB"}));
    EXPECT_EQ(stored(900, "BENE1", "Code3"), "200");
    EXPECT_TRUE(problems().isEmpty());
}

TEST_F(AddressLinkTest, BeneficiaryLivingWithTheApplicantWhoIsNoMember) {
    address("HOME", {{7, "5"}, {9, "elm road"}, {11, "leeds"}, {14, "ls2 2bb"}});
    address("BENE", {{4, "0"}, {6, "NOKSAME"}, {12, "peter smith"}});
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "BENE"), (Lines{"5 Elm Road", "", "Leeds", "Peter Smith", "<null>", "LS2 2BB"}));
    EXPECT_EQ(stored(900, "BENE", "Code3"), "<null>");
}

TEST_F(AddressLinkTest, BeneficiaryWhoIsAMemberGetsTheirHomeAddress) {
    address("HOME", {{7, "5"}, {9, "elm road"}, {14, "ls2 2bb"}});
    address("BENE1", {{4, "200"}, {13, "sister"}});
    ImportAddresses(im());
    EXPECT_EQ(lines(900, "BENE1"), (Lines{"200 Oak Avenue", "Roundhay", "Leeds", "Jane Doe", "Sister", "LS8 1CC"}));
    EXPECT_EQ(stored(900, "BENE1", "Code3"), "200");
    EXPECT_TRUE(problems().isEmpty());
}

TEST_F(AddressLinkTest, BeneficiaryLinkedToAMissingMemberUsesTheAddressGiven) {
    address("HOME", {{7, "5"}, {9, "elm road"}, {14, "ls2 2bb"}});
    address("BENE1", {{4, "777"}, {7, "9"}, {9, "ash grove"}, {11, "leeds"}, {12, "peter smith"}, {14, "ls3 3cc"}});
    ImportAddresses(im());
    EXPECT_EQ(problems(), Lines{linkage("777", " but their record does not exist.")});
    EXPECT_EQ(lines(900, "BENE1"), (Lines{"9 Ash Grove", "", "Leeds", "Peter Smith", "", "LS3 3CC"}));
}

TEST_F(AddressLinkTest, ALinkThatIsNotAWholeNumberLinksNothing) {
    address("HOME", {{7, "5"}, {9, "elm road"}, {14, "ls2 2bb"}});
    address("BENE1", {{4, "200 OR 1=1"}, {9, "ash grove"}, {12, "peter smith"}, {14, "ls3 3cc"}});
    ImportAddresses(im());
    EXPECT_EQ(stored(900, "BENE1", "Line1"), "Ash Grove");
    EXPECT_EQ(stored(900, "BENE1", "Code3"), "<null>");
    EXPECT_TRUE(problems().isEmpty());
}

}  // namespace
}  // namespace autovelt::test
