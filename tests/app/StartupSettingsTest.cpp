#include "app/CommandLine.h"
#include "state/ConnectionStrings.h"
#include "state/StartupSettings.h"
#include "platform/Registry.h"
#include "support/TestInstallation.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace autovelt;

// Each line applies to what the one before left, so what a line does not name is cleared.
TEST(SettingsFileLine, ChoosesFileDatabaseOrSqlServer) {
    const struct { const char* line; bool chkSQL, chkAdmin; const char* database, *subset, *user, *pw; } cases[] = {
        {"SQL01|X|sa2|pw|x", true, false, "SQL01", "X", "", ""},  // five parts: no login
        {"SQL01|X|velt|pw", true, true, "SQL01", "X", "velt", "pw"}, {"SQL01|Y", true, false, "SQL01", "Y", "", ""},
        {"C:\\Data", false, false, "C:\\Data", "", "", ""},         {"SQLSERVER02", true, false, "SQLSERVER02", "", "", ""},
    };
    StartupSettings s;
    for (const auto& c : cases) {
        ApplySettingsFileLine(c.line, s);
        EXPECT_EQ(std::tuple(s.chkSQL, s.chkAdmin, s.txtDatabase, s.SQLSubset, s.sqlUserName, s.sqlPW),
                  std::tuple(c.chkSQL, c.chkAdmin, QString(c.database), QString(c.subset), QString(c.user), QString(c.pw)))
            << c.line;
    }
}

TEST(BuildConnectionString, FileDatabaseSqlServerReportsAndOnline) {
    const QString jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1;Persist Security Info=False";
    const QString sql = "provider=SQLOLEDB.1;Persist Security Info=False;Initial Catalog=%1;Data Source=SQL01;";
    const struct { bool chkSQL, chkAdmin; const char* database, *user, *name; QString expected; const char* named; } cases[] = {
        {false, false, "/srv/data/", "", "TarvMain", jet.arg("/srv/data/TarvMain.mdb"), "TarvMain"},
        {false, false, "/srv/data", "", "TarvTran", jet.arg("/srv/data/TarvTran.mdb"), "TarvTran"},
        {false, false, "/srv/data", "", "Vreports", jet.arg("/opt/velt/Vreports.MDB"), "Vreports"},
        {true, false, "SQL01", "", "TarvMain", sql.arg("XTarvMain") + "Trusted_Connection=Yes;", "XTarvMain"},
        {true, true, "SQL01", "", "TarvAudt", sql.arg("XTarvAudt") + "User Id =sa;Password=", "XTarvAudt"},
        {true, true, "SQL01", "velt", "TarvID", sql.arg("XTarvID") + "User Id =velt;Password=pw", "XTarvID"},
    };
    for (const auto& c : cases) {
        const StartupSettings s{.txtDatabase = c.database, .chkSQL = c.chkSQL, .chkAdmin = c.chkAdmin, .sqlUserName = c.user,
                                .sqlPW = *c.user ? "pw" : "", .SQLSubset = c.chkSQL ? "X" : ""};
        QString name = c.name;
        EXPECT_EQ(BuildConnectionString(name, s, "/opt/velt"), c.expected);
        EXPECT_EQ(name, c.named);
    }
    EXPECT_EQ(BuildOnlineConnectionString("10.0.0.33", "cu1", "pw"),
              "DRIVER={MySQL ODBC 3.51 Driver}; PORT=3306; SERVER=10.0.0.33; DATABASE=cu1; UID=cu1; PWD=pw; ENCRYPT=true; OPTION=3");
}

// On a terminal server the user's DataSubset wins over the machine's; a settings file overrides the registry.
TEST(StartupSettings, RegistryValuesThenSettingsFile) {
    test::TestInstallation inst;
    QFile::remove(inst.path("t2sql.ini"));
    const struct { qint32 root; const char* name; QVariant value; } values[] = {
        {Registry::HKEY_LOCAL_MACHINE, "Database", "SQL07"}, {Registry::HKEY_LOCAL_MACHINE, "SQLDatabase", "SQL07"},
        {Registry::HKEY_LOCAL_MACHINE, "Admin", 1},          {Registry::HKEY_LOCAL_MACHINE, "AdminUserName", "velt"},
        {Registry::HKEY_LOCAL_MACHINE, "DataSubset", "MACHINE"}, {Registry::HKEY_CURRENT_USER, "DataSubset", "USER"},
        {Registry::HKEY_LOCAL_MACHINE, "TerminalServer", 1},     {Registry::HKEY_LOCAL_MACHINE, "Cursor", "7"},
    };
    for (const auto& v : values) {
        Registry reg;
        reg.SetLocation(v.root, "Software\\Varno\\Tarvonel", v.name);
        reg.setValue(v.value);
    }
    StartupSettings s = ReadStartupSettings(inst.home());
    EXPECT_EQ(std::tuple(s.chkSQL, s.chkAdmin, s.sqlUserName, s.SQLSubset, s.SQLCursor), std::tuple(true, true, "velt", "USER", "3"));
    inst.writeFile("t2sql.ini", "/srv/cu\n");
    s = ReadStartupSettings(inst.home());
    EXPECT_EQ(std::tuple(s.chkSQL, s.txtDatabase, s.SQLSubset), std::tuple(false, "/srv/cu/", ""));
}

// --home and the options themselves: ExecutableTest, through the real program.
TEST(CommandLine, HomeFolderFromTheEnvironmentOrBesideTheProgram) {
    qputenv("AUTOVELT_HOME", "/srv/from-env");
    EXPECT_EQ(ResolveHomeFolder(CommandLine{}, "/opt/bin"), "/srv/from-env");
    qunsetenv("AUTOVELT_HOME");
    EXPECT_EQ(ResolveHomeFolder(CommandLine{}, "/opt/bin"), "/opt/bin");
}
