#include "comms/SupportingDocuments.h"
#include "pipeline/OnlineDocumentQueue.h"

#include "app/ControlSettings.h"
#include "support/ExpectedDocuments.h"
#include "support/FtpServer.h"
#include "support/OnlineEncoder.h"
#include "support/InstallationTest.h"
#include "support/ProgramRuns.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace autovelt {
namespace {

using test::FilesUnder;
using testing::FtpServer;
using testing::encodeOnlineField;

const QString kUser = QStringLiteral("riverside");
const QString kPassword = QStringLiteral("Ftp-S3cret-77");
const QString kUploads = QStringLiteral("/join+borrow/supporting-uploads/");

// How the FTP server is reached, and whether member_docs is on the MariaDB server the test script starts.
struct Mode { const char* name; bool active; bool mariaDb = false; };

class DocumentDownloadTest : public test::InstallationTest, public ::testing::WithParamInterface<Mode> {
protected:
    void onlineExec(const QString& statement) {
        if (GetParam().mariaDb) inst.execOnlineMySql(statement);
        else inst.exec(QStringLiteral("online"), statement);
    }
    void SetUp() override {
        // The FTP user is the website's account.
        if (GetParam().mariaDb && !inst.useMariaDbOnline()) GTEST_SKIP() << "no MariaDB server for the tests (scripts/test starts one)";
        const QString user = GetParam().mariaDb ? qEnvironmentVariable("AUTOVELT_TEST_MYSQL_USER") : kUser;
        inst.exec(QStringLiteral("TarvMain"), QStringLiteral("UPDATE ControlSwitches SET webip='%1', webun='%2', WEBPORT='%3'")
                                                  .arg(GetParam().mariaDb ? "127.0.0.1" : " 127.0.0.1 ", user, kPassword));
        // Passive transfers go over TLS; this libcurl does not start TLS on an active data connection, so active
        // mode is shown in clear.
        server = std::make_unique<FtpServer>(user, kPassword, !GetParam().active);
        QString config = QStringLiteral("[web]\nftp_port = %1\nmax_document_mb = 1\n").arg(server->port());
        if (GetParam().active) config += QStringLiteral("ftp_active_addresses = 10.0.0.1, 127.0.0.1\nftp_tls = off\n");
        else config += QStringLiteral("ftp_ca_file = %1\n").arg(server->caFile());
        inst.appendConfig(config);
        inst.exec(QStringLiteral("TarvTran"),
                  QStringLiteral("INSERT INTO LoanAllocation (ID, Posted, MemberNo, LoanNumber, DocKey, OurStatus, InQ) VALUES "
                                 "(5, 0, 1234, 'L1234-1', '5501', 'New', 0), (6, 1, 4321, 'L4321-2', '6601', 'New', 0)"));
        LoadControlSettings(inst.importer());
        ASSERT_FALSE(inst.importer().SkipImport) << problems().join(QLatin1Char('\n')).toStdString();
        scans = inst.importer().settings.ScanLocation;
    }

    // An upload on the server and its row, the row's texts encoded as the website writes them.
    void queue(int id, const QString& key, const QString& category, const QString& fileName, const QString& title,
               const QByteArray& content = {}) {
        if (!content.isNull()) server->putFile(kUploads + fileName, content);
        onlineExec(QStringLiteral("INSERT INTO member_docs (id, member_no, Category, FileName, Title) VALUES (%1, '%2', '%3', '%4', '%5')")
                       .arg(id)
                       .arg(testing::encodeOnlineNumber(key, uint32_t(id)), encodeOnlineField(category, uint32_t(id)),
                            QString(fileName).replace(QLatin1Char('\''), QStringLiteral("''")),
                            encodeOnlineField(title, uint32_t(id + 1))));
    }
    QStringList queuedIds() {
        return test::RecordsetRows(inst.importer().connections.OnlineConnection, QStringLiteral("SELECT id FROM member_docs ORDER BY id"));
    }
    void run() {
        OnlineDocumentQueue queue(inst.importer().connections.OnlineConnection);
        DownloadSupportingDocuments(inst.importer().cycle(), inst.importer().session(), queue);
    }
    // The problem lines after the warning an FTP session in clear gives.
    QStringList problemsBeyondTls() { return problems().mid(GetParam().active ? 1 : 0); }
    // What a pass leaves: in the member folders, on the server, in the queue, among the lines and in the records.
    QString outcome() {
        const auto section = [&](const char* heading, const char* database, const char* query) {
            return QStringList{heading} + inst.values(database, query);
        };
        const QStringList lines =
            QStringList{"[filed]"} + FilesUnder(scans, true) + QStringList{"[on the server]"} + FilesUnder(server->path("/"), true) +
            QStringList{"[queued]"} + queuedIds() + QStringList{"[successes]"} + successes() + QStringList{"[problems]"} +
            problemsBeyondTls() + section("[loan status]", "TarvTran", "SELECT OurStatus FROM LoanAllocation ORDER BY ID") +
            section("[web log]", "TarvAudt", "SELECT TheCategory || ':' || TheActivity FROM WebLog ORDER BY 1") +
            section("[effects]", "TarvAudt", "SELECT Kind || ' ' || State FROM VeltEffect ORDER BY ID") +
            section("[document records]", "TarvAudt", "SELECT MemberDocsId FROM VeltDocument ORDER BY 1");
        return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    std::unique_ptr<FtpServer> server;
    QString scans;
};

// Loan, membership and closed-loan documents, a key of no loan, a missing upload, the same title twice, a nine-letter
// category and a blank title: every row is settled, with what each leaves as the reviewed file holds it.
TEST_P(DocumentDownloadTest, EachDocumentIsFiledRecordedAndRemoved) {
    inst.clock().set(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)));
    queue(1, "5501", "LOANAPP", "up-1.pdf", " Pay slip ", "loan proof");
    queue(2, "2002", "WEBAPP", "up-2.JPG", "Passport", "membership proof");
    queue(3, "6601", "BANKSTATEMENT", "up-3.png", "Statement", "closed loan proof");
    queue(4, "9901", "LOANAPP", "orphan.pdf", "Proof", "no loan");
    queue(5, "5501", "LOANAPP", "gone.pdf", "Proof");
    queue(6, "5501", "MORTGAGESTATEMENT", "a.pdf", "Proof", "first");
    queue(7, "5501", "MORTGAGESTATEMENT", "b.pdf", "Proof", "second");
    queue(8, "3003", "webapp", "scan-20261206.tif", "   ", "blank title");
    queue(9, "5501", "CreditCheck", "cc.xml", "CreditCheck-20991231", "planted report");  // never beside the agency's reports
    run();
    EXPECT_EQ(outcome(), test::ExpectedDocument("document-download-each-kind.txt"));
    // Beyond those: the warning a session in clear gives, no temporary left, and the password in no line or log file.
    const QString clearWarning = "Warning: the FTP server 127.0.0.1 is used without TLS: documents and the web password travel unencrypted";
    EXPECT_EQ(problems().filter("used without TLS") + FilesUnder(inst.home()).filter(".download") +
                  (problems() + successes()).filter(kPassword) + FilesUnder(inst.path("web"), true).filter(kPassword),
              GetParam().active ? QStringList{clearWarning} : QStringList());
}

// Nothing partial is filed and nothing is lost: the row and the upload wait for the next pass.
TEST_P(DocumentDownloadTest, UnreachableStoreCutTransferOrTooLargeKeepsRowAndRemoteFile) {
    queue(1, "5501", "LOANAPP", "cut-big.pdf", "Proof", QByteArray(400000, 'x'));
    // Over the 1 MB limit by a byte: refused on the size the server tells, or cut off where it tells none.
    queue(3, "5501", "LOANAPP", "huge.pdf", "Proof", QByteArray(1024 * 1024 + 1, 'h'));
    queue(4, "5501", "LOANAPP", "nosize-huge.pdf", "Proof", QByteArray(1024 * 1024 + 1, 'n'));
    run();
    const auto uploadSize = [&](const QString& name) { return QFileInfo(server->path(kUploads + name)).size(); };
    EXPECT_EQ(std::tuple(queuedIds(), FilesUnder(scans), uploadSize("cut-big.pdf"), uploadSize("huge.pdf"), uploadSize("nosize-huge.pdf")),
              std::tuple(QStringList{"1", "3", "4"}, QStringList(), 400000, 1024 * 1024 + 1, 1024 * 1024 + 1));
    const QString tooLarge = "The document %1huge.pdf (member_docs ID%2) is larger than 1 MB ([web] max_document_mb); it is not fetched "
                             "and stays in the queue for a person";
    EXPECT_EQ(problemsBeyondTls().replaceInStrings(QRegularExpression("^(Unable to download cut-big.pdf \\(member_docs ID1\\): ).+"), "\\1..."),
              (QStringList{"Unable to download cut-big.pdf (member_docs ID1): ...", tooLarge.arg("").arg(3), tooLarge.arg("nosize-").arg(4)}));
    onlineExec(QStringLiteral("DELETE FROM member_docs WHERE id IN (1, 3, 4)"));
    queue(2, "5501", "LOANAPP", "ok.pdf", "Proof", "whole");
    inst.reporter().clear();
    inst.importer().settings.ScanLocation = inst.path(QStringLiteral("unmounted/"));
    run();
    EXPECT_EQ(queuedIds() << inst.readFile(server->path(kUploads + QStringLiteral("ok.pdf"))) << problemsBeyondTls(),
              (QStringList{"2", "whole", "Unable to store supporting documents in scanned images folder as ",
                           inst.path("unmounted/") + " cannot be accessed.  Documents will be remain in the queue."}));
    EXPECT_TRUE(FilesUnder(inst.home()).filter(QStringLiteral(".download")).isEmpty());
}

// Hostile titles are filed under cleaned names. Hostile file names (both separators, "..", absolute, encoded, a
// format character), on the no-such-loan path too, and rows that cannot be read are reported and kept; nothing outside
// the upload folder is fetched, changed or deleted, and the row after them is downloaded. Both dotted titles clean to
// the same name: the second keeps its own.
TEST_P(DocumentDownloadTest, HostileNamesAndUnreadableRowsAreReportedAndKept) {
    for (const char* file : {"index.php=site", "join+borrow/secret.txt=secret", "outside/secret.txt=outside"})
        server->putFile('/' + QString(file).section('=', 0, 0), QString(file).section('=', 1).toUtf8());
    const char* titles[] = {"../../x", "a/b", "..\\..\\x", "/etc/passwd"};
    for (int id = 1; id <= 4; ++id)
        queue(id, "5501", "LOANAPP", QStringLiteral("f%1.pdf").arg(id), QLatin1String(titles[id - 1]), QByteArray::number(id));
    const QStringList names = {"../../outside/secret.txt", "..\\..\\index.php", "/index.php", "%2e%2e%2fsecret.txt",
                               "%2E%2E", "..", QStringLiteral("a\u202Efdp.exe")};
    for (int i = 0; i < names.size(); ++i) queue(10 + i, "5501", "LOANAPP", names[i], "Proof");
    queue(20, "9901", "LOANAPP", "../../index.php", "Proof");  // no such loan: deleted without a fetch, were it plain
    onlineExec("INSERT INTO member_docs (id, member_no, Category, FileName, Title) VALUES (21, 'not-a-number', '', 'f21.pdf', '')");
    queue(22, "5501", "", "f22.pdf", "Proof", "no category");
    queue(23, "5501", "LOANAPP", "after.pdf", "After", "after the poison");
    run();
    EXPECT_EQ(outcome(), test::ExpectedDocument("document-download-hostile-names.txt"));
}

// The real program killed after a document was copied beside its place but before its receipt committed, and after
// the commit before the server delete: the run after it files the document once and removes it from the website.
TEST_P(DocumentDownloadTest, AKilledRunFilesEachDocumentOnce) {
    const char* steps[] = {"autovelt::state::WriteDocumentRecord", "autovelt::comms::FtpSession::remove"};
    const char* titles[] = {"Payslip", "Statement"};
    QStringList filed;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(steps[i]);
        queue(i + 1, "5501", "LOANAPP", QStringLiteral("up-%1.pdf").arg(i + 1), titles[i], titles[i]);
        const QString trace = test::RunAutoveltKilledAt(inst.home(), {QStringLiteral("break ") + steps[i], "run"});
        ASSERT_TRUE(trace.contains("Breakpoint 1, ")) << "the step was never reached\n" << trace.toStdString();
        const test::ProgramRun run = test::RunAutovelt({"--once", "--home", inst.home()});
        EXPECT_EQ(run.exitCode, 0) << run.output().toStdString();
        EXPECT_FALSE(run.output().contains("under way")) << run.output().toStdString();
        filed << QStringLiteral("Loans/00/00/12/34/%1.pdf=%1").arg(titles[i]);
        EXPECT_EQ(FilesUnder(scans, true) + queuedIds() + FilesUnder(server->path(kUploads)) +
                      inst.values("TarvAudt", "SELECT State FROM VeltEffect UNION ALL SELECT COUNT(*) FROM WebLog"),
                  filed + QStringList(i + 1, "done") << QString::number(i + 1));
    }
}

INSTANTIATE_TEST_SUITE_P(FtpModes, DocumentDownloadTest,
                         ::testing::Values(Mode{"Passive", false}, Mode{"Active", true}, Mode{"PassiveMariaDb", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Under the default nothing, not even the user name, goes to a server without TLS or whose certificate does not
// verify, and the reason names the setting to look at; `auto` uses a server without TLS and says so.
TEST(FtpTlsTest, EachServerIsUsedOnlyAsSecurelyAsTheSettingAsks) {
    using Tls = FtpEndpoint::Tls;
    // The outcome, then the files fetched and those left on the server.
    const struct { const char* what; bool offerTls; Tls tls; bool trustCa; const char* outcome; } cases[] = {
        {"TLS, verified", true, Tls::Required, true, "moved, encrypted|a.pdf=doc|"},
        {"no TLS offered", false, Tls::Required, true, "refused: [web] ftp_tls = auto||a.pdf=doc"},
        {"certificate does not verify", true, Tls::Required, false, "refused: [web] ftp_ca_file in autovelt.ini||a.pdf=doc"},
        {"certificate does not verify, auto", true, Tls::Auto, false, "refused: [web] ftp_ca_file in autovelt.ini||a.pdf=doc"},
        {"no TLS offered, auto", false, Tls::Auto, true, "moved, in clear|a.pdf=doc|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FtpServer server(kUser, kPassword, c.offerTls);
        server.putFile(kUploads + QStringLiteral("a.pdf"), "doc");
        FtpSession session({.host = "127.0.0.1", .port = server.port(), .user = kUser, .password = kPassword, .tls = c.tls,
                            .caFile = c.trustCa ? server.caFile() : QString()});
        QTemporaryDir local;
        const FtpResult reached = session.changeDirectory(kUploads);
        const bool moved = reached.ok() && session.fetch("a.pdf", local.filePath("a.pdf")).ok() && session.remove("a.pdf").ok();
        const QString advice = QStringLiteral("refused: ") + reached.reason.mid(reached.reason.indexOf("[web]")).section(' ', 0, 3);
        const QString outcome = moved ? QStringLiteral("moved, ") + (session.encrypted() ? "encrypted" : "in clear") : advice;
        const QStringList seen{outcome, FilesUnder(local.path(), true).join(','), FilesUnder(server.path(kUploads), true).join(',')};
        EXPECT_EQ(seen.join('|'), QLatin1String(c.outcome)) << reached.reason.toStdString();
    }
}

TEST(FtpDirectoryTest, ServerAddressIsCutFromTheDirectory) {
    for (const auto& [folder, path] : {std::pair{"10.0.0.1/join+borrow/", "/join+borrow/"}, {"10.0.0.1", "/"}, {"/a/", "/a/"}, {"", ""}})
        EXPECT_EQ(FtpDirectoryPath(QLatin1String(folder), QStringLiteral("10.0.0.1")), QLatin1String(path)) << folder;
}

}  // namespace
}  // namespace autovelt
