#include "platform/Registry.h"

#include "common/PrivateFiles.h"
#include "common/Values.h"
#include "common/VeltError.h"
#include "platform/RegistryFile.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <cmath>

namespace autovelt::inline platform {

const QString Registry::ErrorSource = QStringLiteral("Registry Class");

namespace {

// Another importer or an administrator's tool may be rewriting the hive; wait this long.
constexpr int kLockWaitMs = 5000;

bool isNumberType(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong:
    case QMetaType::ULongLong: case QMetaType::Double: case QMetaType::Float:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Long:
    case QMetaType::ULong: case QMetaType::SChar: case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

std::optional<qint32> toInt32(double number) {
    if (!std::isfinite(number) || number < -2147483648.5 || number > 2147483647.5) return std::nullopt;
    const int64_t rounded = roundHalfEven(number);
    if (rounded < INT32_MIN || rounded > INT32_MAX) return std::nullopt;
    return static_cast<qint32>(rounded);
}

// The numeric test of the registry writer: numbers and numeric texts become REG_DWORD.
RegistryData toRegistryData(const QVariant& value) {
    if (!value.isValid()) return RegistryData::ofNumber(0);
    if (value.typeId() == QMetaType::Bool) return RegistryData::ofNumber(value.toBool() ? -1 : 0);
    const QString text = value.toString();
    std::optional<double> number;
    if (isNumberType(value)) number = value.toDouble();
    else if (isNumeric(text)) number = leadingNumber(text);
    if (number) {
        if (auto n = toInt32(*number)) return RegistryData::ofNumber(*n);
    }
    return RegistryData::ofText(text);
}

QVariant toVariant(const RegistryData& data) {
    if (data.kind == RegistryData::Kind::Number) return QVariant(data.number);
    const qsizetype nul = data.text.indexOf(QChar(0));
    return QVariant(nul < 0 ? data.text : data.text.left(nul));
}

QString environmentOr(const char* variable, const QString& fallback) {
    const QString path = qEnvironmentVariable(variable);
    return path.isEmpty() ? fallback : path;
}

}  // namespace

QString Registry::hiveFileFor(qint32 root) {
    if (root == HKEY_LOCAL_MACHINE)
        return environmentOr("AUTOVELT_MACHINE_REGISTRY", QStringLiteral("/etc/autovelt/registry.ini"));
    if (root == HKEY_CURRENT_USER)
        return environmentOr("AUTOVELT_USER_REGISTRY",
                             QDir::homePath() + QStringLiteral("/.config/autovelt/registry.ini"));
    return {};
}

void Registry::requireLocation(qint32 noHkeyError, const QString& noHkeyText, qint32 emptyPathError,
                               const QString& emptyPathText) const {
    if (hkey_ == 0) throw VeltError(noHkeyError, ErrorSource, noHkeyText);
    if (path_.isEmpty()) throw VeltError(emptyPathError, ErrorSource, emptyPathText);
}

void Registry::finish(qint32 callStatus, qint32 closeStatus) {
    // A change that could not be written back did not happen: the flag says so too.
    success_ = callStatus == RegistryStatus::Success && closeStatus == RegistryStatus::Success;
    lastResult_ = callStatus != RegistryStatus::Success ? callStatus : closeStatus;
}

// One changing call: lock the hive, read it, let `work` change it, write it back.
// `work(hive, key, changed)` returns the status of the call and sets `changed` when the
// hive must be written.
template <typename Work>
void Registry::change(Work work) {
    const QString file = hiveFileFor(hkey_);
    if (file.isEmpty()) return finish(RegistryStatus::InvalidHandle, 0);
    const auto key = RegistryFile::splitKeyPath(path_);
    if (!key) return finish(RegistryStatus::BadPathname, 0);
    if (!MakePrivateFolder(QFileInfo(file).absolutePath())) return finish(RegistryStatus::AccessDenied, 0);

    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs)) return finish(RegistryStatus::LockViolation, 0);
    RegistryFile hive(file);
    const qint32 loaded = hive.load();
    if (loaded != RegistryStatus::Success && loaded != RegistryStatus::FileNotFound)
        return finish(loaded, 0);

    bool changed = false;
    const qint32 status = work(hive, *key, changed);
    if (status != RegistryStatus::Success || !changed) return finish(status, 0);
    finish(status, hive.save());
}

void Registry::setValue(const QVariant& value) {
    requireLocation(ErrSaveNoHkey, QStringLiteral("Cannot save a Value with no HKEY."), ErrSaveEmptyPath,
                    QStringLiteral("Cannot save a Value in an empty Path."));
    const RegistryData data = toRegistryData(value);
    change([&](RegistryFile& hive, const QStringList& key, bool& changed) {
        hive.setValue(key, name_, data);
        changed = true;
        return RegistryStatus::Success;
    });
}

QVariant Registry::value() {
    requireLocation(ErrReadNoHkey, QStringLiteral("Cannot read a Value with no HKEY."), ErrReadEmptyPath,
                    QStringLiteral("Cannot read a Value in an empty Path."));
    const QString file = hiveFileFor(hkey_);
    const auto key = RegistryFile::splitKeyPath(path_);
    RegistryFile hive(file);
    qint32 status = file.isEmpty() ? RegistryStatus::InvalidHandle
                    : !key         ? RegistryStatus::BadPathname
                                   : hive.load();
    std::optional<RegistryData> data;
    if (status == RegistryStatus::Success) {
        data = hive.value(*key, name_);
        if (!data) status = RegistryStatus::FileNotFound;
    }
    finish(status, RegistryStatus::Success);
    return data ? toVariant(*data) : QVariant();
}

void Registry::setPath(const QString& path) {
    if (path.isEmpty()) throw VeltError(ErrAssignEmptyPath, ErrorSource, QStringLiteral("Cannot assign an empty Path."));
    path_ = path;
}

void Registry::CreateKey() {
    requireLocation(ErrCreateKeyNoHkey, QStringLiteral("Cannot create Key with no HKEY."), ErrCreateKeyEmptyPath,
                    QStringLiteral("Cannot create Key in an empty Path."));
    change([](RegistryFile& hive, const QStringList& key, bool& changed) {
        changed = !hive.keyExists(key);
        hive.createKey(key);
        return RegistryStatus::Success;
    });
}

void Registry::DeleteKey() {
    requireLocation(ErrDeleteKeyNoHkey, QStringLiteral("Cannot delete a Key with no HKEY."), ErrDeleteKeyEmptyPath,
                    QStringLiteral("Cannot delete a Key in an empty Path."));
    change([](RegistryFile& hive, const QStringList& key, bool& changed) {
        const qint32 status = hive.deleteKey(key);
        changed = status == RegistryStatus::Success;
        return status;
    });
}

void Registry::DeleteValue() {
    requireLocation(ErrDeleteValueNoHkey, QStringLiteral("Cannot delete a Value with no HKEY."),
                    ErrDeleteValueEmptyPath, QStringLiteral("Cannot delete a Value in an empty Path."));
    change([&](RegistryFile& hive, const QStringList& key, bool& changed) {
        const qint32 status = hive.keyExists(key) ? hive.deleteValue(key, name_) : RegistryStatus::FileNotFound;
        changed = status == RegistryStatus::Success;
        return status;
    });
}

void Registry::SetLocation(qint32 root, const QString& path, const QString& name) {
    setHKEY(root);
    setPath(path);
    setName(name);
}

}  // namespace autovelt::platform
