#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>

namespace autovelt::inline platform {

class RegistryFile;

// Reads and writes single values of the installation's registry. An instance is pointed at
// one value by three properties (root key, key path, value name) and then read or written
// through value()/setValue(). It is the only place the program touches the registry.
//
// On Linux the two roots we use are INI-style files (see RegistryFile for the format):
//   HKEY_LOCAL_MACHINE: $AUTOVELT_MACHINE_REGISTRY, else /etc/autovelt/registry.ini
//   HKEY_CURRENT_USER:  $AUTOVELT_USER_REGISTRY, else ~/.config/autovelt/registry.ini
// A key path such as "Software\Varno\Tarvonel" is a section of that file, backslashes kept.
// Any other root handle gives status 6 (invalid handle) like an unknown handle would.
//
// Only a missing root or an empty path raises (VeltError, source "Registry Class"). Every
// other failure lands in lastResult(), turns ERROR_SUCCESS() false and, for a read, gives an
// empty QVariant. No key is held open between calls: each call reads the file, works on it
// and, when it changed something, writes it back whole (atomically, under a lock file).
class Registry {
public:
    static constexpr qint32 HKEY_CURRENT_USER = static_cast<qint32>(0x80000001u);
    static constexpr qint32 HKEY_LOCAL_MACHINE = static_cast<qint32>(0x80000002u);

    // Error numbers as signed 32-bit values, the way the error exits print them.
    static constexpr qint32 ErrSaveNoHkey = static_cast<qint32>(0x80040780u);
    static constexpr qint32 ErrSaveEmptyPath = static_cast<qint32>(0x80040781u);
    static constexpr qint32 ErrReadNoHkey = static_cast<qint32>(0x80040783u);
    static constexpr qint32 ErrReadEmptyPath = static_cast<qint32>(0x80040784u);
    static constexpr qint32 ErrAssignEmptyPath = static_cast<qint32>(0x80040786u);
    static constexpr qint32 ErrCreateKeyNoHkey = static_cast<qint32>(0x80040788u);
    static constexpr qint32 ErrCreateKeyEmptyPath = static_cast<qint32>(0x80040789u);
    static constexpr qint32 ErrDeleteKeyNoHkey = static_cast<qint32>(0x8004078Au);
    static constexpr qint32 ErrDeleteKeyEmptyPath = static_cast<qint32>(0x8004078Bu);
    static constexpr qint32 ErrDeleteValueNoHkey = static_cast<qint32>(0x8004078Cu);
    static constexpr qint32 ErrDeleteValueEmptyPath = static_cast<qint32>(0x8004078Du);

    static const QString ErrorSource;  // "Registry Class"

    // Writes the value. A number, or a text that reads as a number, is stored as a 32-bit
    // integer (REG_DWORD, rounded half to even); anything else as text (REG_SZ). An empty
    // QVariant counts as the number 0 and a bool as -1/0, as the original variants did. A
    // number outside the 32-bit range is stored as its text rather than lost.
    void setValue(const QVariant& value);
    // Reads the value: a qint32 for REG_DWORD, a QString cut at its first NUL for REG_SZ,
    // an empty QVariant when the key or value is missing or the hive cannot be read.
    QVariant value();

    void setHKEY(qint32 root) { hkey_ = root; }
    qint32 HKEY() const { return hkey_; }

    void setPath(const QString& path);
    const QString& path() const { return path_; }

    void setName(const QString& name) { name_ = name; }
    const QString& name() const { return name_; }

    void CreateKey();
    void DeleteKey();
    void DeleteValue();

    // Sets root, path and name in that order through their setters, so an empty path
    // raises after the root has been set.
    void SetLocation(qint32 root, const QString& path, const QString& name);

    // True when the last read, write, create or delete succeeded.
    bool ERROR_SUCCESS() const { return success_; }
    // Status code of the last registry call (0, or a Windows registry error number).
    qint32 lastResult() const { return lastResult_; }

    // The hive file serving a root handle; empty for a root we do not keep.
    static QString hiveFileFor(qint32 root);

private:
    void requireLocation(qint32 noHkeyError, const QString& noHkeyText, qint32 emptyPathError,
                         const QString& emptyPathText) const;
    template <typename Work>
    void change(Work work);
    void finish(qint32 callStatus, qint32 closeStatus);

    qint32 hkey_ = 0;
    QString path_;
    QString name_;
    qint32 lastResult_ = 0;
    bool success_ = false;
};

}  // namespace autovelt::platform
