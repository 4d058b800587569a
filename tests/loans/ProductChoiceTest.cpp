#include "loans/ProductSelection.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>

using namespace autovelt;
using autovelt::test::TestInstallation;

namespace {

// The product applied for, the default loan product of the credit union, and what the
// application ends up with. The installation holds L1 (type 3) besides the rows added.
struct ProductChoiceCase {
    const char* name;
    const char* productRows;  // VALUES list for Product (ProductCode, ProductType, IntTo1, IntRate1)
    const char* appliedFor;
    const char* defaultProduct;
    const char* chosenCode;
    const char* chosenType;
    bool refused;
};

class ProductChoiceTest : public testing::TestWithParam<ProductChoiceCase> {};

TEST_P(ProductChoiceTest, SetsTheCodeAndTypeOrRefuses) {
    const ProductChoiceCase& c = GetParam();
    TestInstallation inst;
    inst.exec("TarvMain", QStringLiteral("INSERT INTO Product (ProductCode, ProductType, IntTo1, IntRate1) VALUES ") +
                              QLatin1String(c.productRows));
    inst.openCoreConnections();
    Importer& im = inst.importer();
    im.settings.OLProductCode = QLatin1String(c.defaultProduct);
    im.app.memberNumber = 77;
    im.app.loan.productCode = QLatin1String(c.appliedFor);

    ChosenProduct product;
    const LoanStep step = ChooseProduct(im, product);

    EXPECT_EQ(step.has_value(), c.refused);
    EXPECT_EQ(im.app.loan.productCode, QLatin1String(c.chosenCode));
    if (!c.refused) EXPECT_EQ(im.app.loan.productType, QLatin1String(c.chosenType));
}

INSTANTIATE_TEST_SUITE_P(
    Products, ProductChoiceTest,
    testing::Values(
        ProductChoiceCase{"TypeAsTheRowHoldsIt", "('P4', 4, 5000, 9)", "P4", "L1", "P4", "4", false},
        // A product row without a type is a loan product.
        ProductChoiceCase{"NoTypeIsALoanProduct", "('NT', NULL, 5000, 9)", "NT", "L1", "NT", "3", false},
        ProductChoiceCase{"UnknownTakesTheDefaultAndItsType", "('NT', NULL, 5000, 9)", "ZZ", "NT", "NT", "3", false},
        ProductChoiceCase{"NeitherFoundIsRefused", "('P4', 4, 5000, 9)", "ZZ", "YY", "ZZ", "", true}),
    [](const testing::TestParamInfo<ProductChoiceCase>& info) { return std::string(info.param.name); });

}  // namespace
