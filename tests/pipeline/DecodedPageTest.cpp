// Decoding a page of applications ahead of the pass, on a thread of its own.

#include "app/ControlSettings.h"
#include "pipeline/DecodedPage.h"
#include "support/InstallationTest.h"
#include "support/WebApplication.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace autovelt;
using namespace autovelt::testing;

namespace {

// Everything reading a row yields, as one text to compare.
QString described(const ApplicationRead& read) {
    QStringList parts{read.application.identityKey, read.application.messageSuffix, read.application.rawField2,
                      read.application.noteText, read.unreadable ? read.unreadable->description() : QStringLiteral("readable")};
    for (const QString& value : read.application.field) parts << value;
    return parts.join(QLatin1Char('|'));
}

class DecodedPageTest : public test::InstallationTest {
protected:
    void SetUp() override {
        inst.appendConfig(markedCodeTablesIni());
        for (int i = 1; i <= 40; ++i) {
            WebApplication a = i % 3 == 0 ? WebApplication::joinOnly(i) : WebApplication::joinAndBorrow(i);
            for (const QString& s : insertStatements(a)) inst.exec("online", s);
        }
        // A member number that cannot be decoded.
        inst.exec("online", QStringLiteral("UPDATE table_w SET field_1='NOTANUMBER12' WHERE field_id=7"));
        LoadControlSettings(im());
        ASSERT_FALSE(im().SkipImport);
    }
    db::Recordset page() {
        return im().connections.OnlineConnection.openRecordset(QStringLiteral("SELECT * FROM table_w ORDER BY field_id ;"));
    }
};

TEST_F(DecodedPageTest, EveryRowReadsAsItDoesWhenThePassReachesIt) {
    db::Recordset rows = page();
    QStringList ahead, inPlace;
    DecodedPage decoded(im().cycle(), rows);
    qsizetype index = 0;
    for (; !rows.eof(); rows.moveNext(), ++index) {
        const DecodedRow& row = decoded.row(index);
        ASSERT_TRUE(row.read) << index;
        ahead << described(*row.read);
        inPlace << described(ReadApplicationRow(im().cycle(), rows));
    }
    EXPECT_EQ(ahead, inPlace);
    EXPECT_EQ(ahead.size(), 40);
    EXPECT_TRUE(decoded.row(6).read->unreadable);  // asked again, as a run after the agency answered does
    EXPECT_THROW(decoded.row(index), std::out_of_range);
}

// What reading a row raises stays with that row: a VeltError to be reported as the reason
// the application cannot be read, anything else to be raised when the pass reaches the row.
TEST_F(DecodedPageTest, AFailureToReadARowStaysWithThatRow) {
    db::Recordset rows = page();
    DecodedPage decoded(rows, [this](const db::Recordset& row) {
        const long fieldId = row.value(0).toLongLong();
        if (fieldId == 3) throw VeltError(13, QStringLiteral("test"), QStringLiteral("Type mismatch"));
        if (fieldId == 5) throw std::runtime_error("out of memory");
        return ReadApplicationRow(im().cycle(), row);
    });
    QStringList seen;
    for (qsizetype index = 0; index < 6; ++index) {
        const DecodedRow& row = decoded.row(index);
        seen << (row.read ? row.read->application.fieldId
                 : row.error ? row.error->description()
                 : row.failure ? QStringLiteral("failed") : QStringLiteral("nothing"));
    }
    EXPECT_EQ(seen, QStringList({"1", "2", "Type mismatch", "4", "failed", "6"}));
    EXPECT_THROW(std::rethrow_exception(decoded.row(4).failure), std::runtime_error);
}

}  // namespace
