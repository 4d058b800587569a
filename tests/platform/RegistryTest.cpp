#include "platform/Registry.h"

#include "support/TestInstallation.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using autovelt::Registry;
using autovelt::test::FileBytes;
using autovelt::test::WriteFileBytes;

namespace {

const QString kKey = QStringLiteral("Software\\Varno\\Tarvonel");
constexpr qint32 kFileNotFound = 2, kBadDatabase = 1009;

// Points both hive files into a temporary folder for the length of one test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("AUTOVELT_MACHINE_REGISTRY", machineFile().toUtf8());
        qputenv("AUTOVELT_USER_REGISTRY", dir.filePath("user/registry.ini").toUtf8());
    }
    void TearDown() override {
        for (const auto& [name, value] :
             {std::pair{"AUTOVELT_MACHINE_REGISTRY", savedMachine}, std::pair{"AUTOVELT_USER_REGISTRY", savedUser}})
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
    }

    QString machineFile() const { return dir.filePath("machine/registry.ini"); }
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

// Texts and numbers read back with their kind.
TEST_F(RegistryTest, EachValueReadsBackWithItsKind) {
    const QString awkward = QStringLiteral("C:\\Tarv \"main\"\r\nsecond line\t£ é ; [x] = y");
    const struct { const char* what; QVariant written; int kind; QVariant read; } cases[] = {
        {"quotes, backslashes, line breaks, accents", awkward, QMetaType::QString, awkward},
        {"embedded NUL cuts the text on reading", QStringLiteral("abc") + QChar(0) + "def", QMetaType::QString, "abc"},
        {"numeric text", QStringLiteral("42"), QMetaType::Int, 42}, {"3.5 to even", QStringLiteral("3.5"), QMetaType::Int, 4},
        {"one past 32 bits stays text", QStringLiteral("2147483648"), QMetaType::QString, QStringLiteral("2147483648")},
        {"empty text", QString(), QMetaType::QString, QString()},  {"true", true, QMetaType::Int, -1},
    };
    for (const auto& c : cases) {
        const QVariant v = store(c.written);
        EXPECT_EQ(std::pair(v.typeId(), v), std::pair(c.kind, c.read)) << c.what;
    }
    EXPECT_EQ(FileBytes(machineFile()).count("Setting"), 1) << "each write replaces the value, whatever its kind";
}

// A hand-written file is read; a write keeps its comments; names and keys match without case.
TEST_F(RegistryTest, TheFileFormat) {
    WriteFileBytes(machineFile(), "; installation settings\n[Software\\Varno\\Tarvonel]\nDataPath = sz: /srv/tarv\nMask=dword:0xFFFFFFFF\n"
                         "\"Quoted\"=sz:\"a\\\"b\"\n# kept too\n");
    EXPECT_EQ(QVariantList({at("DataPath").value(), at("Mask").value(), at("Quoted").value()}), QVariantList({"/srv/tarv", -1, "a\"b"}));
    store(QStringLiteral("abc") + QChar(0) + "def");
    EXPECT_TRUE(FileBytes(machineFile()).contains("sz:\"abc\\0def\"")) << "the whole text is stored; only the reader cuts it";
    EXPECT_EQ(store("default", QString()).toString(), "default");
    EXPECT_TRUE(FileBytes(machineFile()).contains("@=sz:\"default\""));
    EXPECT_FALSE(at("@").value().isValid());
    EXPECT_EQ(store("x", "odd \"name\" = ;").toString(), "x");
    const QByteArray after = FileBytes(machineFile());
    EXPECT_TRUE(after.startsWith("; installation settings\n") && after.contains("# kept too"));
    EXPECT_EQ(at("datapath", Registry::HKEY_LOCAL_MACHINE, "SOFTWARE\\varno\\tarvonel\\").value().toString(), "/srv/tarv");
}

TEST_F(RegistryTest, MachineAndUserScopesAreSeparateFiles) {
    store(QStringLiteral("machine"));
    at("Setting", Registry::HKEY_CURRENT_USER).setValue(QStringLiteral("user"));
    EXPECT_EQ(at("Setting").value().toString(), "machine");
    EXPECT_EQ(at("Setting", Registry::HKEY_CURRENT_USER).value().toString(), "user");
    qunsetenv("AUTOVELT_MACHINE_REGISTRY");
    qunsetenv("AUTOVELT_USER_REGISTRY");
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_LOCAL_MACHINE), "/etc/autovelt/registry.ini");
    EXPECT_EQ(Registry::hiveFileFor(Registry::HKEY_CURRENT_USER), QDir::homePath() + "/.config/autovelt/registry.ini");
    EXPECT_TRUE(Registry::hiveFileFor(0x1234).isEmpty());
}

// A missing file or key reads empty and a corrupt hive fails, each quietly with its own result
// (0: the write succeeds); a corrupt file is never overwritten.
TEST_F(RegistryTest, FailedCallsGiveTheirResultWithoutRaising) {
    const QByteArray corrupt = "[Software\\Varno\\Tarvonel]\nthis line has no equals sign\n";
    const struct { const char* key; qint32 onRead, onWrite; } cases[] = {  // a missing file, a missing key, a corrupt hive
        {"Software\\Varno\\Tarvonel", kFileNotFound, 0}, {"Software\\Other", kFileNotFound, 0},
        {"Software\\Varno\\Tarvonel", kBadDatabase, kBadDatabase},
    };
    for (const auto& c : cases) {
        if (c.onRead == kBadDatabase) WriteFileBytes(machineFile(), corrupt);
        Registry r = at("Setting" + QString::number(c.onRead), Registry::HKEY_LOCAL_MACHINE, c.key);
        EXPECT_FALSE(r.value().isValid());
        EXPECT_EQ(r.lastResult(), c.onRead) << c.key;
        r.setValue(QStringLiteral("x"));
        EXPECT_EQ(std::pair(r.ERROR_SUCCESS(), r.lastResult()), std::pair(c.onWrite == 0, c.onWrite)) << c.key;
    }
    EXPECT_EQ(FileBytes(machineFile()), corrupt);
}

}  // namespace
