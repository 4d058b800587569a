#include "comms/SupportingDocuments.h"

#include "app/ControlSettings.h"
#include "common/MemberFolder.h"
#include "support/FtpServer.h"
#include "support/OnlineEncoder.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

namespace autovelt {
namespace {

using test::TestInstallation;
using testing::FtpServer;
using testing::encodeOnlineField;
using testing::encodeOnlineNumber;

const QString kUser = QStringLiteral("riverside");
const QString kPassword = QStringLiteral("Ftp-S3cret-77");
const QString kUploads = QStringLiteral("/join+borrow/supporting-uploads/");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file under a folder, relative to it.
QStringList filesUnder(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

struct Mode {
    const char* name;
    bool active;
};

class DocumentDownloadTest : public ::testing::TestWithParam<Mode> {
protected:
    // The online database of the test and the FTP user (the website's account); empty
    // when the test cannot run here.
    virtual QString prepareOnline() {
        inst.exec(QStringLiteral("TarvMain"), QStringLiteral("UPDATE ControlSwitches SET webip=' 127.0.0.1 ', webun='%1'").arg(kUser));
        return kUser;
    }
    virtual void onlineExec(const QString& statement) { inst.exec(QStringLiteral("online"), statement); }

    void SetUp() override {
        const QString user = prepareOnline();
        if (user.isEmpty()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        server = std::make_unique<FtpServer>(user, kPassword);
        QString error;
        ASSERT_TRUE(server->start(&error)) << error.toStdString();
        QString config = QStringLiteral("[web]\nftp_port = %1\n").arg(server->port());
        if (GetParam().active) config += QStringLiteral("ftp_active_addresses = 10.0.0.1, 127.0.0.1\n");
        inst.appendConfig(config);
        inst.exec(QStringLiteral("TarvMain"),
                  QStringLiteral("UPDATE ControlSwitches SET WEBPORT='%1'").arg(kPassword));
        inst.exec(QStringLiteral("TarvTran"),
                  QStringLiteral("INSERT INTO LoanAllocation (ID, Posted, MemberNo, LoanNumber, DocKey, OurStatus, InQ) VALUES "
                                 "(5, 0, 1234, 'L1234-1', '5501', 'New', 0), (6, 1, 4321, 'L4321-2', '6601', 'New', 0)"));
        LoadControlSettings(inst.importer());
        ASSERT_FALSE(inst.importer().SkipImport) << inst.reporter().problems().join(QLatin1Char('\n')).toStdString();
        scans = inst.importer().settings.ScanLocation;
    }

    void queue(int id, const QString& key, const QString& category, const QString& fileName, const QString& title) {
        onlineExec(QStringLiteral("INSERT INTO member_docs (id, member_no, Category, FileName, Title) VALUES (%1, '%2', '%3', '%4', '%5')")
                      .arg(id)
                      .arg(encodeOnlineNumber(key, uint32_t(id)), encodeOnlineField(category, uint32_t(id)),
                           QString(fileName).replace(QLatin1Char('\''), QStringLiteral("''")),
                           encodeOnlineField(title, uint32_t(id + 1))));
    }
    virtual QStringList queuedIds() {
        return inst.values(QStringLiteral("online"), QStringLiteral("SELECT id FROM member_docs ORDER BY id"));
    }
    void run() { DownloadSupportingDocuments(inst.importer()); }
    QString memberFolder(const QString& kind, long member) { return MemberFolderPath(scans, kind, member); }
    bool noPasswordAnywhere() {
        const QString all = (inst.reporter().problems() + inst.reporter().successes()).join(QLatin1Char('\n'));
        for (const QString& log : filesUnder(inst.path(QStringLiteral("web"))))
            if (readAll(inst.path(QStringLiteral("web/")) + log).contains(kPassword.toUtf8())) return false;
        return !all.contains(kPassword);
    }

    std::unique_ptr<FtpServer> server;
    TestInstallation inst;
    QString scans;
};

TEST_P(DocumentDownloadTest, LoanAndMembershipDocumentsAreFiledRecordedAndRemoved) {
    server->putFile(kUploads + QStringLiteral("up-1.pdf"), "loan proof");
    server->putFile(kUploads + QStringLiteral("up-2.JPG"), "membership proof");
    server->putFile(kUploads + QStringLiteral("up-3.png"), "closed loan proof");
    queue(1, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("up-1.pdf"), QStringLiteral(" Pay slip "));
    queue(2, QStringLiteral("2002"), QStringLiteral("WEBAPP"), QStringLiteral("up-2.JPG"), QStringLiteral("Passport"));
    queue(3, QStringLiteral("6601"), QStringLiteral("BANKSTATEMENT"), QStringLiteral("up-3.png"), QStringLiteral("Statement"));
    run();

    EXPECT_EQ(readAll(memberFolder(QStringLiteral("Loans"), 1234) + QStringLiteral("Payslip.pdf")), "loan proof");
    EXPECT_EQ(readAll(memberFolder(QStringLiteral("MemberID"), 2002) + QStringLiteral("Passport.JPG")), "membership proof");
    EXPECT_EQ(readAll(memberFolder(QStringLiteral("BANKSTAT"), 4321) + QStringLiteral("Statement.png")), "closed loan proof");
    EXPECT_TRUE(queuedIds().isEmpty());
    EXPECT_TRUE(filesUnder(server->path(kUploads)).isEmpty());
    EXPECT_EQ(inst.reporter().successes(),
              QStringList({QStringLiteral("Member 1234 supplied Payslip as supporting document."),
                           QStringLiteral("Member 2002 supplied Passport as supporting document."),
                           QStringLiteral("Member 4321 supplied Statement as supporting document.")}));
    EXPECT_EQ(inst.reporter().problems(),
              QStringList{QStringLiteral("Member 4321 supplied supporting document with upload key of 6601 for loan L4321-2 but "
                                         "this application is closed.")});
    EXPECT_EQ(inst.values(QStringLiteral("TarvTran"), QStringLiteral("SELECT OurStatus FROM LoanAllocation ORDER BY ID")),
              QStringList({QStringLiteral("POI received"), QStringLiteral("POI received")}));
    EXPECT_EQ(inst.values(QStringLiteral("TarvAudt"), QStringLiteral("SELECT TheCategory || ':' || TheActivity FROM WebLog ORDER BY 1")),
              QStringList({QStringLiteral("BORROW:Member supplied Payslip as supporting document for loan no. L1234-1"),
                           QStringLiteral("BORROW:Member supplied Statement as supporting document for loan no. L4321-2"),
                           QStringLiteral("WEBAPP:Member supplied Passport as supporting document from WebApp")}));
    EXPECT_TRUE(filesUnder(inst.home()).filter(QStringLiteral(".download")).isEmpty());
    EXPECT_TRUE(noPasswordAnywhere());
}

TEST_P(DocumentDownloadTest, UnknownKeyAndMissingFileRemoveTheRow) {
    server->putFile(kUploads + QStringLiteral("orphan.pdf"), "no loan");
    queue(1, QStringLiteral("9901"), QStringLiteral("LOANAPP"), QStringLiteral("orphan.pdf"), QStringLiteral("Proof"));
    queue(2, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("gone.pdf"), QStringLiteral("Proof"));
    run();
    EXPECT_TRUE(queuedIds().isEmpty());
    EXPECT_TRUE(filesUnder(server->path(kUploads)).isEmpty());
    EXPECT_EQ(inst.reporter().problems(),
              QStringList({QStringLiteral("Unable to locate member with document upload key of 9901 with category LOANAPP with ID 1. "
                                          "Loan must not exist."),
                           QStringLiteral("Unable to download. Failed on gone.pdf member_docs ID2. File must not exist.")}));
    EXPECT_TRUE(filesUnder(scans).isEmpty());
}

TEST_P(DocumentDownloadTest, SameTitleLongCategoryAndBlankTitle) {
    inst.clock().set(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)));
    server->putFile(kUploads + QStringLiteral("a.pdf"), "first");
    server->putFile(kUploads + QStringLiteral("b.pdf"), "second");
    server->putFile(kUploads + QStringLiteral("scan-20261206.tif"), "blank title");
    queue(1, QStringLiteral("5501"), QStringLiteral("MORTGAGESTATEMENT"), QStringLiteral("a.pdf"), QStringLiteral("Proof"));
    queue(2, QStringLiteral("5501"), QStringLiteral("MORTGAGESTATEMENT"), QStringLiteral("b.pdf"), QStringLiteral("Proof"));
    queue(3, QStringLiteral("3003"), QStringLiteral("webapp"), QStringLiteral("scan-20261206.tif"), QStringLiteral("   "));
    run();
    EXPECT_EQ(filesUnder(scans), QStringList({QStringLiteral("MORTGAGE/00/00/12/34/Proof-090507.pdf"),
                                              QStringLiteral("MORTGAGE/00/00/12/34/Proof.pdf"),
                                              QStringLiteral("MemberID/00/00/30/03/scan-202.tif")}));
    EXPECT_EQ(readAll(memberFolder(QStringLiteral("MORTGAGE"), 1234) + QStringLiteral("Proof.pdf")), "first");
    EXPECT_TRUE(queuedIds().isEmpty());
}

TEST_P(DocumentDownloadTest, UnreachableStoreOrCutTransferKeepsRowAndRemoteFile) {
    server->putFile(kUploads + QStringLiteral("cut-big.pdf"), QByteArray(400000, 'x'));
    queue(1, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("cut-big.pdf"), QStringLiteral("Proof"));
    run();
    EXPECT_EQ(queuedIds(), QStringList{QStringLiteral("1")});
    EXPECT_TRUE(filesUnder(scans).isEmpty());
    ASSERT_EQ(inst.reporter().problems().size(), 1);
    EXPECT_TRUE(inst.reporter().problems()[0].startsWith(QStringLiteral("Unable to download cut-big.pdf (member_docs ID1): ")));

    server->putFile(kUploads + QStringLiteral("ok.pdf"), "whole");
    queue(2, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("ok.pdf"), QStringLiteral("Proof"));
    inst.exec(QStringLiteral("online"), QStringLiteral("DELETE FROM member_docs WHERE id=1"));
    inst.reporter().clear();
    inst.importer().settings.ScanLocation = inst.path(QStringLiteral("unmounted/"));
    run();
    EXPECT_EQ(queuedIds(), QStringList{QStringLiteral("2")});
    EXPECT_EQ(readAll(server->path(kUploads + QStringLiteral("ok.pdf"))), "whole");
    EXPECT_EQ(inst.reporter().problems(),
              QStringList({QStringLiteral("Unable to store supporting documents in scanned images folder as "),
                           inst.path(QStringLiteral("unmounted/")) +
                               QStringLiteral(" cannot be accessed.  Documents will be remain in the queue.")}));
    EXPECT_TRUE(filesUnder(inst.home()).filter(QStringLiteral(".download")).isEmpty());
}

TEST_P(DocumentDownloadTest, HostileNamesStayInsideTheMemberFolder) {
    const QStringList hostile = {QStringLiteral("../../x"), QStringLiteral("a/b"), QStringLiteral("..\\..\\x"),
                                 QStringLiteral("/etc/passwd")};
    int id = 0;
    for (const QString& name : hostile) {
        ++id;
        server->putFile(kUploads + QStringLiteral("f%1.pdf").arg(id), QByteArray::number(id));
        queue(id, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("f%1.pdf").arg(id), name);
    }
    server->putFile(kUploads + QStringLiteral("../../x"), "traversing file name");
    queue(9, QStringLiteral("5501"), QStringLiteral("../LOANAPP"), QStringLiteral("../../x"), QString());
    run();
    // Both dotted titles clean to the same name: the second keeps its own.
    EXPECT_EQ(filesUnder(scans), QStringList({QStringLiteral("Loans/00/00/12/34/_.._x-093000.pdf"),
                                              QStringLiteral("Loans/00/00/12/34/_.._x.pdf"),
                                              QStringLiteral("Loans/00/00/12/34/_etc_passwd.pdf"),
                                              QStringLiteral("Loans/00/00/12/34/a_b.pdf"),
                                              QStringLiteral("_LOANA/00/00/12/34/_.._x")}));
    EXPECT_EQ(readAll(memberFolder(QStringLiteral("Loans"), 1234) + QStringLiteral("_.._x.pdf")), "1");
    EXPECT_TRUE(queuedIds().isEmpty());
    EXPECT_FALSE(QFile::exists(inst.path(QStringLiteral("x"))));
    EXPECT_EQ(inst.reporter().problems().filter(QStringLiteral("cannot be used as it stands")).size(), 5);
}

INSTANTIATE_TEST_SUITE_P(FtpModes, DocumentDownloadTest,
                         ::testing::Values(Mode{"Passive", false}, Mode{"Active", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The same pass against member_docs on the MariaDB server the test script starts.
class MariaDbDocumentDownloadTest : public DocumentDownloadTest {
protected:
    QString prepareOnline() override {
        if (!inst.useMariaDbOnline()) return {};
        inst.exec(QStringLiteral("TarvMain"), QStringLiteral("UPDATE ControlSwitches SET webip='127.0.0.1'"));
        return qEnvironmentVariable("AUTOVELT_TEST_MYSQL_USER");
    }
    void onlineExec(const QString& statement) override { inst.execOnlineMySql(statement); }
    QStringList queuedIds() override {
        QStringList ids;
        db::Recordset rs = inst.importer().connections.OnlineConnection.openRecordset(
            QStringLiteral("SELECT id FROM member_docs ORDER BY id"));
        for (; !rs.eof(); rs.moveNext()) ids << rs.text(0);
        return ids;
    }
};

TEST_P(MariaDbDocumentDownloadTest, DocumentsFiledAndRowsRemoved) {
    server->putFile(kUploads + QStringLiteral("up-1.pdf"), "loan proof");
    server->putFile(kUploads + QStringLiteral("cut-2.pdf"), QByteArray(200000, 'y'));
    queue(1, QStringLiteral("5501"), QStringLiteral("LOANAPP"), QStringLiteral("up-1.pdf"), QStringLiteral("Payslip"));
    queue(2, QStringLiteral("2002"), QStringLiteral("WEBAPP"), QStringLiteral("cut-2.pdf"), QStringLiteral("Passport"));
    run();
    EXPECT_EQ(readAll(memberFolder(QStringLiteral("Loans"), 1234) + QStringLiteral("Payslip.pdf")), "loan proof");
    EXPECT_EQ(queuedIds(), QStringList{QStringLiteral("2")});
    EXPECT_EQ(inst.reporter().successes(), QStringList{QStringLiteral("Member 1234 supplied Payslip as supporting document.")});
}

INSTANTIATE_TEST_SUITE_P(FtpModes, MariaDbDocumentDownloadTest, ::testing::Values(Mode{"Passive", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FtpDirectoryTest, ServerAddressIsCutFromTheDirectory) {
    EXPECT_EQ(FtpDirectoryPath(QStringLiteral("10.0.0.1/join+borrow/"), QStringLiteral("10.0.0.1")), QStringLiteral("/join+borrow/"));
    EXPECT_EQ(FtpDirectoryPath(QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1")), QStringLiteral("/"));
    EXPECT_EQ(FtpDirectoryPath(QStringLiteral("/a/"), QStringLiteral("10.0.0.1")), QStringLiteral("/a/"));
    EXPECT_EQ(FtpDirectoryPath(QString(), QStringLiteral("10.0.0.1")), QString());
}

}  // namespace
}  // namespace autovelt
