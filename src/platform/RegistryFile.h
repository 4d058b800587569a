#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

namespace autovelt::inline platform {

// Status codes of the registry calls, with the numbers the Windows registry API uses, so
// that a "last result" means the same thing on every platform.
namespace RegistryStatus {
constexpr qint32 Success = 0;
constexpr qint32 FileNotFound = 2;     // key or value does not exist
constexpr qint32 AccessDenied = 5;     // hive file not writable, or key still has subkeys
constexpr qint32 InvalidHandle = 6;    // root key other than the two we keep
constexpr qint32 LockViolation = 33;   // another process kept the hive locked too long
constexpr qint32 BadPathname = 161;    // key path with empty or control-character parts
constexpr qint32 BadDatabase = 1009;   // hive file that cannot be parsed: never overwritten
}  // namespace RegistryStatus

// One stored value: a 32-bit integer (REG_DWORD) or a text (REG_SZ). Kept apart on disk by
// a type marker, so "42" written as text never comes back as a number or the reverse.
struct RegistryData {
    enum class Kind { Number, Text };
    Kind kind = Kind::Text;
    qint32 number = 0;
    QString text;

    static RegistryData ofNumber(qint32 n) { return {Kind::Number, n, {}}; }
    static RegistryData ofText(QString t) { return {Kind::Text, 0, std::move(t)}; }
};

// A registry hive kept in one INI-style text file (UTF-8):
//
//   ; comments and blank lines are kept when the file is rewritten
//   [Software\Varno\Tarvonel]
//   "DataPath"=sz:"/srv/tarvonel"
//   "Build"=dword:42
//   @=sz:"the key's default value"
//
// A section is a key; its name is the full key path with backslashes as separators, as the
// registry writes it. Keys and value names match without regard to case, as in the
// registry. A key exists when it has a section or any key below it has one. Texts are
// double-quoted with the escapes \\ \" \0 \n \r \t and \xHH, so embedded NULs survive.
// Hand-written files may leave names and texts unquoted: `Name=sz:text`, `Name=dword:0x2A`.
class RegistryFile {
public:
    explicit RegistryFile(QString filePath);

    const QString& filePath() const { return filePath_; }

    // Reads the file. A missing file is an empty hive (FileNotFound is returned so that a
    // reader can tell); a file that cannot be read gives AccessDenied, one that cannot be
    // parsed gives BadDatabase.
    qint32 load();
    // Writes the whole hive back atomically, creating the folder when needed.
    qint32 save() const;

    // Splits a key path into its parts; nullopt when the path is malformed. One trailing
    // backslash is tolerated, as the registry does.
    static std::optional<QStringList> splitKeyPath(const QString& path);

    bool keyExists(const QStringList& key) const;
    bool hasSubkeys(const QStringList& key) const;
    void createKey(const QStringList& key);
    // The key must exist and have no subkeys.
    qint32 deleteKey(const QStringList& key);

    std::optional<RegistryData> value(const QStringList& key, const QString& name) const;
    void setValue(const QStringList& key, const QString& name, const RegistryData& data);
    qint32 deleteValue(const QStringList& key, const QString& name);

private:
    struct Line {
        bool isEntry = false;
        QString raw;          // comment or blank line, written back as it was
        QString name;         // value name; empty is the key's default value
        RegistryData data;
    };
    struct Section {
        QStringList key;      // empty for the lines before the first section
        QList<Line> lines;
    };

    int findSection(const QStringList& key) const;
    int addSection(const QStringList& key);
    static int findEntry(const Section& section, const QString& name);

    bool parse(const QString& text);
    bool parseSectionHeader(const QString& line);
    bool parseEntry(const QString& line, Line& entry) const;
    QString serialize() const;

    QString filePath_;
    QList<Section> sections_;
};

// Reading and writing of the quoted texts of the hive file.
QString quoteRegistryText(const QString& text);
// Reads a quoted text starting at `pos` (on the opening quote); moves `pos` past the
// closing quote. nullopt on a bad escape or a missing closing quote.
std::optional<QString> unquoteRegistryText(const QString& line, int& pos);

}  // namespace autovelt::platform
