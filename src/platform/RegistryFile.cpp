#include "platform/RegistryFile.h"

#include "common/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autovelt::inline platform {

namespace {

const QString kNumberMarker = QStringLiteral("dword:");
const QString kTextMarker = QStringLiteral("sz:");

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool sameKey(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!sameName(a[i], b[i])) return false;
    return true;
}

// True when `key` lies strictly below `parent`.
bool isBelow(const QStringList& key, const QStringList& parent) {
    return key.size() > parent.size() && sameKey(key.mid(0, parent.size()), parent);
}

bool hasControlCharacter(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) return true;
    return false;
}

std::optional<qint32> parseNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong n = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                      ? t.mid(2).toLongLong(&ok, 16)
                      : t.toLongLong(&ok, 10);
    // Hexadecimal is how DWORDs are usually written down: 0xFFFFFFFF means -1.
    if (!ok || n < INT32_MIN || n > UINT32_MAX) return std::nullopt;
    return static_cast<qint32>(static_cast<quint32>(n & 0xFFFFFFFF));
}

}  // namespace

QString quoteRegistryText(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case 0: out += QLatin1String("\\0"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += u'"';
    return out;
}

std::optional<QString> unquoteRegistryText(const QString& line, int& pos) {
    if (pos >= line.size() || line[pos] != u'"') return std::nullopt;
    QString out;
    for (int i = pos + 1; i < line.size(); ++i) {
        QChar c = line[i];
        if (c == u'"') {
            pos = i + 1;
            return out;
        }
        if (c != u'\\') {
            out += c;
            continue;
        }
        if (++i >= line.size()) return std::nullopt;
        switch (line[i].unicode()) {
        case '\\': out += u'\\'; break;
        case '"': out += u'"'; break;
        case '0': out += QChar(0); break;
        case 'n': out += u'\n'; break;
        case 'r': out += u'\r'; break;
        case 't': out += u'\t'; break;
        case 'x': {
            bool ok = false;
            ushort code = line.mid(i + 1, 2).toUShort(&ok, 16);
            if (!ok || i + 2 >= line.size()) return std::nullopt;
            out += QChar(code);
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return std::nullopt;
}

RegistryFile::RegistryFile(QString filePath) : filePath_(std::move(filePath)) {}

std::optional<QStringList> RegistryFile::splitKeyPath(const QString& path) {
    QStringList parts = path.split(u'\\');
    if (parts.size() > 1 && parts.last().isEmpty()) parts.removeLast();
    for (const QString& part : parts)
        if (part.isEmpty() || hasControlCharacter(part) || part.contains(u'[') || part.contains(u']'))
            return std::nullopt;
    return parts;
}

qint32 RegistryFile::load() {
    sections_ = {Section{}};
    QFile file(filePath_);
    if (!file.exists()) return RegistryStatus::FileNotFound;
    if (!file.open(QIODevice::ReadOnly)) return RegistryStatus::AccessDenied;
    const QString text = QString::fromUtf8(file.readAll());
    if (!parse(text)) {
        sections_ = {Section{}};
        return RegistryStatus::BadDatabase;
    }
    return RegistryStatus::Success;
}

qint32 RegistryFile::save() const {
    // The values may include a database password.
    if (!MakePrivateFolder(QFileInfo(filePath_).absolutePath())) return RegistryStatus::AccessDenied;
    return WritePrivateFile(filePath_, serialize().toUtf8()) ? RegistryStatus::Success : RegistryStatus::AccessDenied;
}

bool RegistryFile::parse(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#')) {
            sections_.last().lines.append(Line{false, line, {}, {}});
        } else if (trimmed.startsWith(u'[')) {
            if (!parseSectionHeader(trimmed)) return false;
        } else {
            Line entry;
            if (!parseEntry(trimmed, entry)) return false;
            Section& section = sections_.last();
            int existing = findEntry(section, entry.name);
            if (existing >= 0) section.lines[existing] = entry;  // the later line wins
            else section.lines.append(entry);
        }
    }
    return true;
}

bool RegistryFile::parseSectionHeader(const QString& line) {
    if (!line.endsWith(u']')) return false;
    auto key = splitKeyPath(line.mid(1, line.size() - 2).trimmed());
    if (!key) return false;
    int existing = findSection(*key);
    if (existing >= 0) sections_.move(existing, sections_.size() - 1);  // merge repeated sections
    else addSection(*key);
    return true;
}

bool RegistryFile::parseEntry(const QString& line, Line& entry) const {
    if (sections_.last().key.isEmpty()) return false;  // a value outside any key
    entry.isEntry = true;
    int pos = 0;
    if (line.startsWith(u'"')) {
        auto name = unquoteRegistryText(line, pos);
        if (!name) return false;
        entry.name = *name;
        while (pos < line.size() && line[pos].isSpace()) ++pos;
        if (pos >= line.size() || line[pos] != u'=') return false;
    } else {
        pos = line.indexOf(u'=');
        if (pos <= 0) return false;
        QString name = line.left(pos).trimmed();
        entry.name = name == QLatin1String("@") ? QString() : name;
    }
    const QString rest = line.mid(pos + 1).trimmed();
    if (rest.startsWith(kNumberMarker, Qt::CaseInsensitive)) {
        auto n = parseNumber(rest.mid(kNumberMarker.size()));
        if (!n) return false;
        entry.data = RegistryData::ofNumber(*n);
        return true;
    }
    if (!rest.startsWith(kTextMarker, Qt::CaseInsensitive)) return false;
    const QString text = rest.mid(kTextMarker.size()).trimmed();
    if (!text.startsWith(u'"')) {
        entry.data = RegistryData::ofText(text);
        return true;
    }
    int textPos = 0;
    auto unquoted = unquoteRegistryText(text, textPos);
    if (!unquoted || textPos != text.size()) return false;
    entry.data = RegistryData::ofText(*unquoted);
    return true;
}

QString RegistryFile::serialize() const {
    QString out;
    for (const Section& section : sections_) {
        if (!section.key.isEmpty()) {
            if (!out.isEmpty() && !out.endsWith(QLatin1String("\n\n"))) out += u'\n';
            out += u'[' + section.key.join(u'\\') + QLatin1String("]\n");
        }
        for (const Line& line : section.lines) {
            if (!line.isEntry) {
                out += line.raw + u'\n';
                continue;
            }
            out += line.name.isEmpty() ? QStringLiteral("@") : quoteRegistryText(line.name);
            out += u'=';
            out += line.data.kind == RegistryData::Kind::Number
                       ? kNumberMarker + QString::number(line.data.number)
                       : kTextMarker + quoteRegistryText(line.data.text);
            out += u'\n';
        }
    }
    return out;
}

int RegistryFile::findSection(const QStringList& key) const {
    for (int i = 0; i < sections_.size(); ++i)
        if (!sections_[i].key.isEmpty() && sameKey(sections_[i].key, key)) return i;
    return -1;
}

int RegistryFile::addSection(const QStringList& key) {
    sections_.append(Section{key, {}});
    return int(sections_.size()) - 1;
}

int RegistryFile::findEntry(const Section& section, const QString& name) {
    for (int i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].isEntry && sameName(section.lines[i].name, name)) return i;
    return -1;
}

bool RegistryFile::keyExists(const QStringList& key) const {
    return findSection(key) >= 0 || hasSubkeys(key);
}

bool RegistryFile::hasSubkeys(const QStringList& key) const {
    for (const Section& section : sections_)
        if (isBelow(section.key, key)) return true;
    return false;
}

void RegistryFile::createKey(const QStringList& key) {
    if (!keyExists(key)) addSection(key);
}

qint32 RegistryFile::deleteKey(const QStringList& key) {
    if (!keyExists(key)) return RegistryStatus::FileNotFound;
    if (hasSubkeys(key)) return RegistryStatus::AccessDenied;
    const QStringList parent = key.mid(0, key.size() - 1);
    sections_.removeAt(findSection(key));
    // The parent outlives its last subkey, as in the registry.
    if (!parent.isEmpty() && !keyExists(parent)) addSection(parent);
    return RegistryStatus::Success;
}

std::optional<RegistryData> RegistryFile::value(const QStringList& key, const QString& name) const {
    int s = findSection(key);
    if (s < 0) return std::nullopt;
    int e = findEntry(sections_[s], name);
    if (e < 0) return std::nullopt;
    return sections_[s].lines[e].data;
}

void RegistryFile::setValue(const QStringList& key, const QString& name, const RegistryData& data) {
    int s = findSection(key);
    if (s < 0) s = addSection(key);
    Section& section = sections_[s];
    int e = findEntry(section, name);
    if (e >= 0) {
        section.lines[e].data = data;
        return;
    }
    // New values go after the key's last value, before any blank lines that end the section.
    qsizetype at = 0;
    for (qsizetype i = 0; i < section.lines.size(); ++i)
        if (section.lines[i].isEntry) at = i + 1;
    section.lines.insert(at, Line{true, {}, name, data});
}

qint32 RegistryFile::deleteValue(const QStringList& key, const QString& name) {
    int s = findSection(key);
    int e = s < 0 ? -1 : findEntry(sections_[s], name);
    if (e < 0) return RegistryStatus::FileNotFound;
    sections_[s].lines.removeAt(e);
    return RegistryStatus::Success;
}

}  // namespace autovelt::platform
