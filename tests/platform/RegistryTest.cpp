#include "common/VeltError.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using autovelt::Registry;
using autovelt::VeltError;

namespace {

const QString kKey = QStringLiteral("Software\\Varno\\Tarvonel");
constexpr qint32 kFileNotFound = 2;
constexpr qint32 kAccessDenied = 5;
constexpr qint32 kInvalidHandle = 6;
constexpr qint32 kBadDatabase = 1009;

// Points both hive files into a temporary folder for the length of one test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savedMachine = qgetenv("AUTOVELT_MACHINE_REGISTRY");
        savedUser = qgetenv("AUTOVELT_USER_REGISTRY");
        qputenv("AUTOVELT_MACHINE_REGISTRY", machineFile().toUtf8());
        qputenv("AUTOVELT_USER_REGISTRY", userFile().toUtf8());
    }
    void TearDown() override {
        restore("AUTOVELT_MACHINE_REGISTRY", savedMachine);
        restore("AUTOVELT_USER_REGISTRY", savedUser);
    }
    static void restore(const char* name, const QByteArray& value) {
        if (value.isEmpty()) qunsetenv(name);
        else qputenv(name, value);
    }

    QString machineFile() const { return dir.filePath(QStringLiteral("machine/registry.ini")); }
    QString userFile() const { return dir.filePath(QStringLiteral("user/registry.ini")); }

    QByteArray read(const QString& path) const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& path, const QByteArray& content) const {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }

    Registry at(const QString& name, qint32 root = Registry::HKEY_LOCAL_MACHINE) const {
        Registry r;
        r.SetLocation(root, kKey, name);
        return r;
    }
    QVariant store(const QVariant& v, const QString& name = QStringLiteral("Setting")) {
        Registry w = at(name);
        w.setValue(v);
        EXPECT_TRUE(w.ERROR_SUCCESS());
        Registry r = at(name);
        return r.value();
    }

    QTemporaryDir dir;
    QByteArray savedMachine, savedUser;
};

// ---- Values and their two kinds ---------------------------------------------------------

struct StoredKindCase {
    const char* what;
    QVariant written;
    int kind;  // QMetaType id of what reads back
    QVariant read;
};

TEST_F(RegistryTest, EachValueReadsBackWithItsKind) {
    const StoredKindCase cases[] = {
        {"text", QStringLiteral("/srv/tarvonel data"), QMetaType::QString, QStringLiteral("/srv/tarvonel data")},
        {"integer", 17, QMetaType::Int, 17},
        {"numeric text", QStringLiteral("42"), QMetaType::Int, 42},
        {"2.5 to even", QStringLiteral("2.5"), QMetaType::Int, 2},
        {"3.5 to even", QStringLiteral("3.5"), QMetaType::Int, 4},
        {"whole double", 7.0, QMetaType::Int, 7},
        {"negative", -1, QMetaType::Int, -1},
        {"lowest 32-bit", QStringLiteral("-2147483648"), QMetaType::Int, INT32_MIN},
        {"highest 32-bit", QStringLiteral("2147483647"), QMetaType::Int, INT32_MAX},
        {"one past 32 bits stays text", QStringLiteral("2147483648"), QMetaType::QString, QStringLiteral("2147483648")},
        {"far past 32 bits", QStringLiteral("99999999999"), QMetaType::QString, QStringLiteral("99999999999")},
        {"partly numeric", QStringLiteral("42abc"), QMetaType::QString, QStringLiteral("42abc")},
        {"empty text", QString(), QMetaType::QString, QString()},
        // An empty variant and the Booleans are numbers, like the original variants.
        {"empty variant", QVariant(), QMetaType::Int, 0},
        {"true", true, QMetaType::Int, -1},
        {"false", false, QMetaType::Int, 0},
    };
    for (const StoredKindCase& c : cases) {
        SCOPED_TRACE(c.what);
        const QVariant v = store(c.written);
        EXPECT_EQ(v.typeId(), c.kind);
        EXPECT_EQ(v, c.read);
    }
}

TEST_F(RegistryTest, NumericTextIsStoredAsADwordAndTheDefaultValueHasTheEmptyName) {
    store(QStringLiteral("42"));
    EXPECT_TRUE(read(machineFile()).contains("\"Setting\"=dword:42"));
    EXPECT_FALSE(read(machineFile()).contains("sz:"));
    EXPECT_EQ(store(QStringLiteral("default"), QString()).toString(), QStringLiteral("default"));
    EXPECT_TRUE(read(machineFile()).contains("@=sz:\"default\""));
    EXPECT_FALSE(at(QStringLiteral("@")).value().isValid());
}

TEST_F(RegistryTest, TextWithQuotesBackslashesLineBreaksAndAccentsRoundTrips) {
    const QString awkward = QStringLiteral("C:\\Tarv \"main\"\r\nsecond line\t£ é ; [x] = y");
    EXPECT_EQ(store(awkward).toString(), awkward);
    EXPECT_EQ(store(QStringLiteral("x"), QStringLiteral("odd \"name\" = ;")).toString(), QStringLiteral("x"));
}

TEST_F(RegistryTest, EmbeddedNulCutsTheTextOnReading) {
    const QString withNul = QStringLiteral("abc") + QChar(0) + QStringLiteral("def");
    QVariant v = store(withNul);
    EXPECT_EQ(v.toString(), QStringLiteral("abc"));
    // The whole text is stored; only the reader cuts it, as the registry's reader does.
    EXPECT_TRUE(read(machineFile()).contains("sz:\"abc\\0def\""));
}

TEST_F(RegistryTest, OverwritingChangesTheKindOfAValue) {
    EXPECT_EQ(store(QStringLiteral("text")).typeId(), QMetaType::QString);
    EXPECT_EQ(store(5).typeId(), QMetaType::Int);
    EXPECT_EQ(store(QStringLiteral("again")).toString(), QStringLiteral("again"));
    EXPECT_EQ(read(machineFile()).count("Setting"), 1);
}

TEST_F(RegistryTest, KeysAndNamesMatchWithoutRegardToCase) {
    store(QStringLiteral("v"), QStringLiteral("DataPath"));
    Registry r;
    r.SetLocation(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\varno\\tarvonel\\"), QStringLiteral("datapath"));
    EXPECT_EQ(r.value().toString(), QStringLiteral("v"));
    EXPECT_TRUE(r.ERROR_SUCCESS());
}

// ---- Missing things and failed calls ----------------------------------------------------

TEST_F(RegistryTest, MissingValueKeyOrFileReadsEmptyWithoutRaising) {
    Registry noFile = at(QStringLiteral("Nothing"));
    EXPECT_FALSE(noFile.value().isValid());
    EXPECT_FALSE(noFile.ERROR_SUCCESS());
    EXPECT_EQ(noFile.lastResult(), kFileNotFound);

    store(1, QStringLiteral("Present"));
    Registry noValue = at(QStringLiteral("Nothing"));
    EXPECT_FALSE(noValue.value().isValid());
    EXPECT_FALSE(noValue.ERROR_SUCCESS());
    EXPECT_EQ(noValue.lastResult(), kFileNotFound);

    Registry noKey;
    noKey.SetLocation(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Other"), QStringLiteral("Present"));
    EXPECT_FALSE(noKey.value().isValid());
    EXPECT_EQ(noKey.lastResult(), kFileNotFound);
}

TEST_F(RegistryTest, SuccessFlagFollowsTheLastCall) {
    Registry r = at(QStringLiteral("Setting"));
    r.value();
    EXPECT_FALSE(r.ERROR_SUCCESS());
    r.setValue(QStringLiteral("x"));
    EXPECT_TRUE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), 0);
    r.setName(QStringLiteral("Other"));
    r.value();
    EXPECT_FALSE(r.ERROR_SUCCESS());
}

TEST_F(RegistryTest, MachineAndUserScopesAreSeparateFiles) {
    store(QStringLiteral("machine"));
    Registry user = at(QStringLiteral("Setting"), Registry::HKEY_CURRENT_USER);
    EXPECT_FALSE(user.value().isValid());
    user.setValue(QStringLiteral("user"));
    EXPECT_TRUE(QFile::exists(userFile()));
    EXPECT_EQ(at(QStringLiteral("Setting")).value().toString(), QStringLiteral("machine"));
    EXPECT_EQ(at(QStringLiteral("Setting"), Registry::HKEY_CURRENT_USER).value().toString(), QStringLiteral("user"));
}

TEST_F(RegistryTest, UnknownRootFailsQuietlyWithInvalidHandle) {
    Registry r = at(QStringLiteral("Setting"), static_cast<qint32>(0x80000000u));
    r.setValue(1);
    EXPECT_FALSE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), kInvalidHandle);
    EXPECT_FALSE(r.value().isValid());
    EXPECT_EQ(r.lastResult(), kInvalidHandle);
}

TEST_F(RegistryTest, UnwritableHiveMakesTheWriteFail) {
    write(dir.filePath(QStringLiteral("blocker")), "a file where a folder should be");
    qputenv("AUTOVELT_MACHINE_REGISTRY", dir.filePath(QStringLiteral("blocker/registry.ini")).toUtf8());
    Registry r = at(QStringLiteral("Setting"));
    r.setValue(QStringLiteral("x"));
    EXPECT_FALSE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), kAccessDenied);
}

TEST_F(RegistryTest, DefaultLocationsWhenNoVariableIsSet) {
    qunsetenv("AUTOVELT_MACHINE_REGISTRY");
    qunsetenv("AUTOVELT_USER_REGISTRY");
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_LOCAL_MACHINE), QStringLiteral("/etc/autovelt/registry.ini"));
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_CURRENT_USER),
              QDir::homePath() + QStringLiteral("/.config/autovelt/registry.ini"));
    EXPECT_TRUE(Registry::hiveFileFor(0x1234).isEmpty());
}

// ---- Hand-written hive files ------------------------------------------------------------

TEST_F(RegistryTest, HandWrittenFileIsReadAndItsCommentsSurviveAWrite) {
    write(machineFile(),
          "; installation settings\n"
          "[Software\\Varno\\Tarvonel]\n"
          "DataPath = sz: /srv/tarv\n"
          "Mask=dword:0xFFFFFFFF\n"
          "\"Quoted\"=sz:\"a\\\"b\"\n"
          "# kept too\n");
    EXPECT_EQ(at(QStringLiteral("DataPath")).value().toString(), QStringLiteral("/srv/tarv"));
    EXPECT_EQ(at(QStringLiteral("Mask")).value().toInt(), -1);
    EXPECT_EQ(at(QStringLiteral("Quoted")).value().toString(), QStringLiteral("a\"b"));

    at(QStringLiteral("Added")).setValue(QStringLiteral("new"));
    const QByteArray after = read(machineFile());
    EXPECT_TRUE(after.startsWith("; installation settings\n"));
    EXPECT_TRUE(after.contains("# kept too"));
    EXPECT_EQ(at(QStringLiteral("DataPath")).value().toString(), QStringLiteral("/srv/tarv"));
    EXPECT_EQ(at(QStringLiteral("Added")).value().toString(), QStringLiteral("new"));
}

TEST_F(RegistryTest, CorruptFileIsNeitherReadNorOverwritten) {
    const QByteArray corrupt = "[Software\\Varno\\Tarvonel]\nthis line has no equals sign\n";
    write(machineFile(), corrupt);
    Registry r = at(QStringLiteral("Setting"));
    EXPECT_FALSE(r.value().isValid());
    EXPECT_EQ(r.lastResult(), kBadDatabase);
    r.setValue(QStringLiteral("x"));
    EXPECT_FALSE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), kBadDatabase);
    EXPECT_EQ(read(machineFile()), corrupt);
}

// ---- Keys ------------------------------------------------------------------------------

TEST_F(RegistryTest, CreateKeyMakesAnEmptyKeyOnce) {
    Registry r = at(QString());
    r.CreateKey();
    EXPECT_TRUE(r.ERROR_SUCCESS());
    r.CreateKey();
    EXPECT_TRUE(r.ERROR_SUCCESS());
    EXPECT_EQ(read(machineFile()).count("[Software\\Varno\\Tarvonel]"), 1);
}

TEST_F(RegistryTest, DeleteKeyRemovesItsValuesButRefusesAKeyWithSubkeys) {
    store(QStringLiteral("leaf"));
    Registry parent;
    parent.SetLocation(Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Varno"), QString());
    parent.DeleteKey();
    EXPECT_FALSE(parent.ERROR_SUCCESS());
    EXPECT_EQ(parent.lastResult(), kAccessDenied);
    EXPECT_EQ(at(QStringLiteral("Setting")).value().toString(), QStringLiteral("leaf"));

    Registry leaf = at(QString());
    leaf.DeleteKey();
    EXPECT_TRUE(leaf.ERROR_SUCCESS());
    EXPECT_FALSE(at(QStringLiteral("Setting")).value().isValid());

    // The parent outlives its last subkey and can now go itself.
    parent.DeleteKey();
    EXPECT_TRUE(parent.ERROR_SUCCESS());
    parent.DeleteKey();
    EXPECT_EQ(parent.lastResult(), kFileNotFound);
}

TEST_F(RegistryTest, DeleteValueRemovesOnlyThatValue) {
    store(1, QStringLiteral("One"));
    store(2, QStringLiteral("Two"));
    Registry r = at(QStringLiteral("One"));
    r.DeleteValue();
    EXPECT_TRUE(r.ERROR_SUCCESS());
    EXPECT_FALSE(at(QStringLiteral("One")).value().isValid());
    EXPECT_EQ(at(QStringLiteral("Two")).value().toInt(), 2);
    r.DeleteValue();
    EXPECT_FALSE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), kFileNotFound);
}

// ---- Raised errors ---------------------------------------------------------------------

TEST_F(RegistryTest, EmptyPathThroughSetLocationRaisesAfterTheRootIsSet) {
    Registry r;
    EXPECT_THROW(r.SetLocation(Registry::HKEY_CURRENT_USER, QString(), QStringLiteral("Name")), VeltError);
    EXPECT_EQ(r.HKEY(), Registry::HKEY_CURRENT_USER);
    EXPECT_TRUE(r.path().isEmpty());
    EXPECT_TRUE(r.name().isEmpty());
}

struct RaisedCase {
    const char* what;
    bool withRoot;
    std::function<void(Registry&)> call;
    quint32 number;
    const char* message;
};

TEST_F(RegistryTest, EveryOperationRaisesItsOwnNumberAndMessage) {
    const std::vector<RaisedCase> cases = {
        {"write, no root", false, [](Registry& r) { r.setValue(1); }, 0x80040780u, "Cannot save a Value with no HKEY."},
        {"write, no path", true, [](Registry& r) { r.setValue(1); }, 0x80040781u, "Cannot save a Value in an empty Path."},
        {"read, no root", false, [](Registry& r) { r.value(); }, 0x80040783u, "Cannot read a Value with no HKEY."},
        {"read, no path", true, [](Registry& r) { r.value(); }, 0x80040784u, "Cannot read a Value in an empty Path."},
        {"path", true, [](Registry& r) { r.setPath(QString()); }, 0x80040786u, "Cannot assign an empty Path."},
        {"location, no path", true, [](Registry& r) { r.SetLocation(Registry::HKEY_CURRENT_USER, QString(), "Name"); },
         0x80040786u, "Cannot assign an empty Path."},
        {"create, no root", false, [](Registry& r) { r.CreateKey(); }, 0x80040788u, "Cannot create Key with no HKEY."},
        {"create, no path", true, [](Registry& r) { r.CreateKey(); }, 0x80040789u, "Cannot create Key in an empty Path."},
        {"delete key, no root", false, [](Registry& r) { r.DeleteKey(); }, 0x8004078Au, "Cannot delete a Key with no HKEY."},
        {"delete key, no path", true, [](Registry& r) { r.DeleteKey(); }, 0x8004078Bu, "Cannot delete a Key in an empty Path."},
        {"delete value, no root", false, [](Registry& r) { r.DeleteValue(); }, 0x8004078Cu, "Cannot delete a Value with no HKEY."},
        {"delete value, no path", true, [](Registry& r) { r.DeleteValue(); }, 0x8004078Du, "Cannot delete a Value in an empty Path."},
    };
    for (const RaisedCase& c : cases) {
        Registry r;
        if (c.withRoot) r.setHKEY(Registry::HKEY_LOCAL_MACHINE);
        else r.setPath(kKey);
        try {
            c.call(r);
            ADD_FAILURE() << c.what << ": nothing raised";
        } catch (const VeltError& e) {
            EXPECT_EQ(e.number(), static_cast<qint32>(c.number)) << c.what;
            EXPECT_EQ(e.source(), QStringLiteral("Registry Class")) << c.what;
            EXPECT_EQ(e.description(), QString::fromLatin1(c.message)) << c.what;
        }
        EXPECT_FALSE(QFile::exists(machineFile())) << c.what;
    }
}

}  // namespace
