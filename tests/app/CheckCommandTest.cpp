#include "app/InstallationCheck.h"
#include "app/InstallationSetup.h"
#include "support/SmtpSink.h"
#include "support/TestInstallation.h"

#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

using namespace autovelt;

namespace {

// A complete installation whose mail goes to a real SMTP server on loopback: every check passes until a case breaks one.
class CheckCommandTest : public ::testing::Test {
public:
    void SetUp() override { prepare(); }
    void prepare() {
        inst = std::make_unique<test::TestInstallation>();
        for (const QString& name : EmailTemplateNames()) inst->writeFile(name, QStringLiteral("<p>Dear [FIRSTNAME]</p>"));
        writeConfig(QStringLiteral("[mail]\nsmtp_server = 127.0.0.1\nsmtp_port = %1\n").arg(smtp.port()));
    }
    void writeConfig(const QString& extra) {
        inst->writeFile(QStringLiteral("autovelt.ini"), QStringLiteral("[online]\ndatabase = data/online.db\n\n") + extra);
    }

    std::unique_ptr<test::TestInstallation> inst;
    autovelt::testing::SmtpSink smtp;
};

TEST_F(CheckCommandTest, AGoodInstallationPassesEveryCheck) {
    QStringList failed, names;
    for (const CheckResult& r : CheckInstallation(inst->home(), inst->clock())) (r.passed ? names : failed) << r.name + ": " + r.detail;
    EXPECT_EQ(failed, QStringList{});
    for (const char* expected : {"configuration", "database TarvMain", "database TarvID", "online database",
                                 "scanned images folder", "email templates", "mail server", "agency"})
        EXPECT_FALSE(names.filter(QRegularExpression(QStringLiteral("^%1: ").arg(QLatin1String(expected)))).isEmpty()) << expected;
}

TEST_F(CheckCommandTest, EachBrokenPartFailsItsOwnCheckWithTheReason) {
    using Breaker = std::function<void(CheckCommandTest&)>;
    const auto config = [](const char* ini) { return [=](CheckCommandTest& t) { t.writeConfig(QString::fromLatin1(ini)); }; };
    const auto openTo = [](const char* file, QFile::Permission others) {
        return [=](CheckCommandTest& t) { QFile(t.inst->path(file)).setPermissions(QFile::ReadOwner | QFile::WriteOwner | others); };
    };
    const struct { const char* what; Breaker breakIt; const char* failedCheck; const char* reasonContains; } cases[] = {
        {"credentials without an agency host", [](CheckCommandTest& t) {
             t.writeConfig(QStringLiteral("[mail]\npickup_folder = outbox\n\n[agency_test]\nCreditReportCompany = Riverside\n"));
             t.inst->writeFile(QStringLiteral("outbox/.keep"), QString());
             t.inst->exec(QStringLiteral("online"), QStringLiteral("CREATE TABLE table_test (field_id INTEGER)"));
         }, "agency", "no agency host"},
        // Every setting the cycle refuses, the check refuses too (each setting's own line: ControlSettingsTest).
        {"a misspelt key", config("[mail]\nsmtp_pasword = x\n"), "configuration", "smtp_pasword"},
        {"a database that is not one", [](CheckCommandTest& t) { t.inst->writeFile(QStringLiteral("data/TarvTran.db"), "not a database"); },
         "core banking databases", ""},
        {"a missing table", [](CheckCommandTest& t) { t.inst->exec(QStringLiteral("TarvTran"), QStringLiteral("DROP TABLE LoanPayee")); },
         "database TarvTran", "LoanPayee"},
        {"a missing index the import reads by", [](CheckCommandTest& t) {
             t.inst->exec(QStringLiteral("TarvMain"), QStringLiteral("DROP INDEX idx_MemberBalances_MemberNo"));
         }, "index on MemberBalances (MemberNo)", "CREATE INDEX idx_MemberBalances_MemberNo ON MemberBalances (MemberNo)"},
        {"a missing scanned images folder", [](CheckCommandTest& t) { QDir(t.inst->path(QStringLiteral("scans"))).removeRecursively(); },
         "settings and online database", "scanned image folder"},
        {"a missing template", [](CheckCommandTest& t) { QFile::remove(t.inst->path(QStringLiteral("Lnnotok.html"))); },
         "email templates", "Lnnotok.html"},
        {"a configuration readable by others", openTo("autovelt.ini", QFile::ReadOther), "autovelt.ini", "chmod 600"},
        {"a settings file readable by others", openTo("t2sql.ini", QFile::ReadGroup), "/t2sql.ini", "chmod 600"},
        {"a registry file readable by others", [](CheckCommandTest& t) {
             t.inst->writeFile(QStringLiteral("registry/machine.ini"), QString());
             QFile(t.inst->path(QStringLiteral("registry/machine.ini"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
         }, "/registry/machine.ini", "chmod 600"},
        {"an unreachable mail server", config("[mail]\nsmtp_server = 127.0.0.1\nsmtp_port = 1\n"), "mail server", "127.0.0.1:1"},
        {"an identity check host that does not answer", config("[agency]\ncallvalidate_live_host = 127.0.0.1:1\ncallreport_live_host = 127.0.0.1:2\n"),
         "agency identity check 127.0.0.1:1", ""},
        {"a credit search host that does not answer", config("[agency]\ncallvalidate_live_host = 127.0.0.1:1\ncallreport_live_host = 127.0.0.1:2\n"),
         "agency credit search 127.0.0.1:2", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prepare();
        c.breakIt(*this);
        QStringList failed;
        bool found = false;
        for (const CheckResult& r : CheckInstallation(inst->home(), inst->clock())) {
            if (!r.passed) failed << r.name + ": " + r.detail;
            found = found || (!r.passed && r.name.contains(QLatin1String(c.failedCheck)) && r.detail.contains(QLatin1String(c.reasonContains)));
        }
        EXPECT_TRUE(found) << failed.join('\n').toStdString();
    }
}

}  // namespace
