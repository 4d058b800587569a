#include "import/ImportJournal.h"
#include "support/TestInstallation.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

class ImportJournalTest : public ::testing::Test {
protected:
    test::TestInstallation inst;
    ImportJournal journal{inst.importer()};
};

TEST_F(ImportJournalTest, AnEntryReadsBackAsWritten) {
    EXPECT_FALSE(journal.read().has_value());
    JournalEntry entry{"41", 1234, true, false, ImportStage::IdentityChecked, "REFER", "R-9\nx", "0.00"};
    journal.write(entry);
    const std::optional<JournalEntry> back = journal.read();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->fieldId, "41");
    EXPECT_EQ(back->memberNumber, 1234);
    EXPECT_TRUE(back->newMember);
    EXPECT_FALSE(back->rejoin);
    EXPECT_EQ(back->stage, ImportStage::IdentityChecked);
    EXPECT_EQ(back->identityStatus, "REFER");
    EXPECT_EQ(back->identityReference, "R-9 x");  // one line per value
    EXPECT_EQ(back->amountAppliedFor, "0.00");
    journal.clear();
    EXPECT_FALSE(QFile::exists(journal.path()));
    EXPECT_FALSE(journal.read().has_value());
}

TEST_F(ImportJournalTest, ATornOrEmptyEntryIsNoEntry) {
    inst.writeFile("import-journal.txt", "application=41\nmember=12\nstage=3\n");  // no end line
    EXPECT_FALSE(journal.read().has_value());
    inst.writeFile("import-journal.txt", "application=41\nmember=0\nend=\n");
    EXPECT_FALSE(journal.read().has_value());
    inst.writeFile("import-journal.txt", "application=41\nmember=12\nend=\n");
    ASSERT_TRUE(journal.read().has_value());
    EXPECT_EQ(journal.read()->stage, ImportStage::Started);
}

}  // namespace
