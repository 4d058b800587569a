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
constexpr qint32 kFileNotFound = 2, kAccessDenied = 5, kInvalidHandle = 6, kBadDatabase = 1009;

// Points both hive files into a temporary folder for the length of one test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("AUTOVELT_MACHINE_REGISTRY", machineFile().toUtf8());
        qputenv("AUTOVELT_USER_REGISTRY", dir.filePath(QStringLiteral("user/registry.ini")).toUtf8());
    }
    void TearDown() override {
        for (const auto& [name, value] : {std::pair{"AUTOVELT_MACHINE_REGISTRY", savedMachine},
                                          std::pair{"AUTOVELT_USER_REGISTRY", savedUser}}) {
            if (value.isEmpty()) qunsetenv(name);
            else qputenv(name, value);
        }
    }

    QString machineFile() const { return dir.filePath(QStringLiteral("machine/registry.ini")); }
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
    Registry at(const QString& name, qint32 root = Registry::HKEY_LOCAL_MACHINE, const QString& key = kKey) const {
        Registry r;
        r.SetLocation(root, key, name);
        return r;
    }
    QVariant store(const QVariant& v, const QString& name = QStringLiteral("Setting")) {
        Registry w = at(name);
        w.setValue(v);
        EXPECT_TRUE(w.ERROR_SUCCESS());
        return at(name).value();
    }

    QTemporaryDir dir;
    QByteArray savedMachine = qgetenv("AUTOVELT_MACHINE_REGISTRY"), savedUser = qgetenv("AUTOVELT_USER_REGISTRY");
};

// Texts and numbers read back with their kind; an empty variant and the Booleans are numbers,
// like the original variants.
TEST_F(RegistryTest, EachValueReadsBackWithItsKind) {
    const QString awkward = QStringLiteral("C:\\Tarv \"main\"\r\nsecond line\t£ é ; [x] = y");
    const struct { const char* what; QVariant written; int kind; QVariant read; } cases[] = {
        {"text", QStringLiteral("/srv/tarvonel data"), QMetaType::QString, QStringLiteral("/srv/tarvonel data")},
        {"quotes, backslashes, line breaks, accents", awkward, QMetaType::QString, awkward},
        {"embedded NUL cuts the text on reading", QStringLiteral("abc") + QChar(0) + "def", QMetaType::QString, "abc"},
        {"integer", 17, QMetaType::Int, 17},                  {"numeric text", QStringLiteral("42"), QMetaType::Int, 42},
        {"2.5 to even", QStringLiteral("2.5"), QMetaType::Int, 2}, {"3.5 to even", QStringLiteral("3.5"), QMetaType::Int, 4},
        {"whole double", 7.0, QMetaType::Int, 7},             {"negative", -1, QMetaType::Int, -1},
        {"lowest 32-bit", QStringLiteral("-2147483648"), QMetaType::Int, INT32_MIN},
        {"highest 32-bit", QStringLiteral("2147483647"), QMetaType::Int, INT32_MAX},
        {"one past 32 bits stays text", QStringLiteral("2147483648"), QMetaType::QString, QStringLiteral("2147483648")},
        {"far past 32 bits", QStringLiteral("99999999999"), QMetaType::QString, QStringLiteral("99999999999")},
        {"partly numeric", QStringLiteral("42abc"), QMetaType::QString, QStringLiteral("42abc")},
        {"empty text", QString(), QMetaType::QString, QString()},
        {"empty variant", QVariant(), QMetaType::Int, 0}, {"true", true, QMetaType::Int, -1}, {"false", false, QMetaType::Int, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QVariant v = store(c.written);
        EXPECT_EQ(v.typeId(), c.kind);
        EXPECT_EQ(v, c.read);
    }
    EXPECT_EQ(read(machineFile()).count("Setting"), 1) << "each write replaces the value, whatever its kind";
}

TEST_F(RegistryTest, HowValuesAndNamesAreWritten) {
    store(QStringLiteral("abc") + QChar(0) + "def");
    EXPECT_TRUE(read(machineFile()).contains("sz:\"abc\\0def\"")) << "the whole text is stored; only the reader cuts it";
    store(QStringLiteral("42"));
    EXPECT_TRUE(read(machineFile()).contains("\"Setting\"=dword:42"));
    EXPECT_FALSE(read(machineFile()).contains("sz:"));
    EXPECT_EQ(store(QStringLiteral("default"), QString()).toString(), QStringLiteral("default"));
    EXPECT_TRUE(read(machineFile()).contains("@=sz:\"default\""));
    EXPECT_FALSE(at(QStringLiteral("@")).value().isValid());
    EXPECT_EQ(store(QStringLiteral("x"), QStringLiteral("odd \"name\" = ;")).toString(), QStringLiteral("x"));
    // Keys and names match without regard to case.
    store(QStringLiteral("v"), QStringLiteral("DataPath"));
    Registry r = at(QStringLiteral("datapath"), Registry::HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\varno\\tarvonel\\"));
    EXPECT_EQ(r.value().toString(), QStringLiteral("v"));
    EXPECT_TRUE(r.ERROR_SUCCESS());
}

// A missing file, key or value reads empty without raising; the flag follows the last call.
TEST_F(RegistryTest, MissingThingsReadEmptyAndTheFlagFollowsTheLastCall) {
    Registry r = at(QStringLiteral("Setting"));
    EXPECT_FALSE(r.value().isValid());
    EXPECT_EQ(r.lastResult(), kFileNotFound);
    r.setValue(QStringLiteral("x"));
    EXPECT_TRUE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), 0);
    r.setName(QStringLiteral("Other"));
    EXPECT_FALSE(r.value().isValid());
    EXPECT_FALSE(r.ERROR_SUCCESS());
    EXPECT_EQ(r.lastResult(), kFileNotFound);
    Registry noKey = at(QStringLiteral("Setting"), Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Other"));
    EXPECT_FALSE(noKey.value().isValid());
    EXPECT_EQ(noKey.lastResult(), kFileNotFound);
}

TEST_F(RegistryTest, MachineAndUserScopesAreSeparateFiles) {
    store(QStringLiteral("machine"));
    Registry user = at(QStringLiteral("Setting"), Registry::HKEY_CURRENT_USER);
    EXPECT_FALSE(user.value().isValid());
    user.setValue(QStringLiteral("user"));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("user/registry.ini"))));
    EXPECT_EQ(at(QStringLiteral("Setting")).value().toString(), QStringLiteral("machine"));
    EXPECT_EQ(at(QStringLiteral("Setting"), Registry::HKEY_CURRENT_USER).value().toString(), QStringLiteral("user"));
    qunsetenv("AUTOVELT_MACHINE_REGISTRY");
    qunsetenv("AUTOVELT_USER_REGISTRY");
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_LOCAL_MACHINE), QStringLiteral("/etc/autovelt/registry.ini"));
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_CURRENT_USER), QDir::homePath() + "/.config/autovelt/registry.ini");
    EXPECT_TRUE(Registry::hiveFileFor(0x1234).isEmpty());
}

// An unknown root, a hive that cannot be written and a corrupt hive fail quietly with their
// own result; a corrupt file is never overwritten.
TEST_F(RegistryTest, FailedCallsGiveTheirResultWithoutRaising) {
    const QByteArray corrupt = "[Software\\Varno\\Tarvonel]\nthis line has no equals sign\n";
    const struct { const char* what; std::function<void()> prepare; qint32 root; qint32 onRead, onWrite; } cases[] = {
        {"unknown root", [] {}, static_cast<qint32>(0x80000000u), kInvalidHandle, kInvalidHandle},
        {"unwritable hive", [this] {
             write(dir.filePath(QStringLiteral("blocker")), "a file where a folder should be");
             qputenv("AUTOVELT_MACHINE_REGISTRY", dir.filePath(QStringLiteral("blocker/registry.ini")).toUtf8());
         }, Registry::HKEY_LOCAL_MACHINE, kFileNotFound, kAccessDenied},
        {"corrupt hive", [&] { qputenv("AUTOVELT_MACHINE_REGISTRY", machineFile().toUtf8()); write(machineFile(), corrupt); },
         Registry::HKEY_LOCAL_MACHINE, kBadDatabase, kBadDatabase},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        Registry r = at(QStringLiteral("Setting"), c.root);
        EXPECT_FALSE(r.value().isValid());
        EXPECT_EQ(r.lastResult(), c.onRead);
        r.setValue(QStringLiteral("x"));
        EXPECT_FALSE(r.ERROR_SUCCESS());
        EXPECT_EQ(r.lastResult(), c.onWrite);
    }
    EXPECT_EQ(read(machineFile()), corrupt);
}

TEST_F(RegistryTest, HandWrittenFileIsReadAndItsCommentsSurviveAWrite) {
    write(machineFile(),
          "; installation settings\n[Software\\Varno\\Tarvonel]\nDataPath = sz: /srv/tarv\nMask=dword:0xFFFFFFFF\n"
          "\"Quoted\"=sz:\"a\\\"b\"\n# kept too\n");
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

TEST_F(RegistryTest, KeysAreCreatedOnceAndDeletedOnlyWithoutSubkeys) {
    Registry leaf = at(QString());
    leaf.CreateKey();
    leaf.CreateKey();
    EXPECT_TRUE(leaf.ERROR_SUCCESS());
    EXPECT_EQ(read(machineFile()).count("[Software\\Varno\\Tarvonel]"), 1);
    store(1, QStringLiteral("One"));
    store(2, QStringLiteral("Two"));
    Registry one = at(QStringLiteral("One"));
    one.DeleteValue();
    EXPECT_TRUE(one.ERROR_SUCCESS());
    EXPECT_FALSE(at(QStringLiteral("One")).value().isValid());
    EXPECT_EQ(at(QStringLiteral("Two")).value().toInt(), 2);
    one.DeleteValue();
    EXPECT_EQ(one.lastResult(), kFileNotFound);

    Registry parent = at(QString(), Registry::HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Varno"));
    parent.DeleteKey();
    EXPECT_EQ(parent.lastResult(), kAccessDenied);
    EXPECT_EQ(at(QStringLiteral("Two")).value().toInt(), 2);
    leaf.DeleteKey();
    EXPECT_TRUE(leaf.ERROR_SUCCESS());
    EXPECT_FALSE(at(QStringLiteral("Two")).value().isValid());
    parent.DeleteKey();  // the parent outlives its last subkey and can now go itself
    EXPECT_TRUE(parent.ERROR_SUCCESS());
    parent.DeleteKey();
    EXPECT_EQ(parent.lastResult(), kFileNotFound);
}

TEST_F(RegistryTest, EveryOperationRaisesItsOwnNumberAndMessage) {
    const struct { const char* what; bool withRoot; std::function<void(Registry&)> call; quint32 number; const char* message; } cases[] = {
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
    for (const auto& c : cases) {
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
    // SetLocation keeps the root it was given before it refuses the empty path.
    Registry r;
    EXPECT_THROW(r.SetLocation(Registry::HKEY_CURRENT_USER, QString(), QStringLiteral("Name")), VeltError);
    EXPECT_EQ(r.HKEY(), Registry::HKEY_CURRENT_USER);
    EXPECT_TRUE(r.path().isEmpty() && r.name().isEmpty());
}

}  // namespace
