#include "comms/MimeEncoding.h"

#include <QStringList>

namespace autovelt::inline comms {

namespace {

constexpr int kMaxQuotedPrintableLine = 76;
constexpr int kMaxHeaderLine = 78;
// 45 bytes of UTF-8 make 60 characters of Base64: an encoded word stays under 75.
constexpr int kMaxEncodedWordBytes = 45;
const char kHex[] = "0123456789ABCDEF";

bool isPlainAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E) return false;
    return true;
}

QByteArray hexEscape(char prefix, unsigned char byte) {
    QByteArray out(1, prefix);
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
    return out;
}

// Writes one line, encoded, at `out` and returns the end of what it wrote. A body of several
// kilobytes is encoded for every email, so the bytes are written in place: a line never
// takes more than three bytes for each of its own and one soft break for every 25 of those.
char* writeQuotedPrintableLine(QByteArrayView line, char* out) {
    int lineLength = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        const bool last = i == line.size() - 1;
        const bool literal = (byte >= 33 && byte <= 126 && byte != '=' && !(i == 0 && byte == '.')) ||
                             ((byte == ' ' || byte == '\t') && !last);
        const int tokenSize = literal ? 1 : 3;
        // Keep room for the "=" of a soft line break.
        if (lineLength + tokenSize > kMaxQuotedPrintableLine - 1) {
            *out++ = '=';
            *out++ = '\r';
            *out++ = '\n';
            lineLength = 0;
        }
        if (literal) {
            *out++ = char(byte);
        } else {
            *out++ = '=';
            *out++ = kHex[byte >> 4];
            *out++ = kHex[byte & 0x0F];
        }
        lineLength += tokenSize;
    }
    return out;
}

// UTF-8 encoded words, each holding whole characters.
QByteArray encodedWords(const QString& text) {
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character: keep it together.
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        i += length - 1;
        if (chunk.size() + bytes.size() > kMaxEncodedWordBytes) {
            words.append(chunk);
            chunk.clear();
        }
        chunk += bytes;
    }
    if (!chunk.isEmpty()) words.append(chunk);
    QByteArray out;
    for (const QByteArray& word : words) {
        if (!out.isEmpty()) out += ' ';
        out += "=?UTF-8?B?" + word.toBase64() + "?=";
    }
    return out;
}

QByteArray quotedString(const QString& text) {
    QByteArray out = "\"";
    for (char c : text.toLatin1()) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

QByteArray displayName(const QString& name) {
    if (!isPlainAscii(name)) return encodedWords(name);
    static const QString specials = QStringLiteral("()<>[]:;@\\,.\"");
    for (QChar c : name)
        if (specials.contains(c)) return quotedString(name);
    return name.toLatin1();
}

}  // namespace

// Every line break (CR LF, a lone CR or a lone LF) becomes CR LF, in one pass over the
// UTF-8: no byte of a multi-byte character is a CR or an LF.
QByteArray toCrlfUtf8(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size() * 2, Qt::Uninitialized);
    char* end = out.data();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != '\r' && c != '\n') {
            *end++ = c;
            continue;
        }
        if (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        *end++ = '\r';
        *end++ = '\n';
    }
    out.truncate(end - out.constData());
    return out;
}

QByteArray quotedPrintable(const QByteArray& crlfText) {
    QByteArray out(crlfText.size() * 3 + crlfText.size() / 25 * 3 + 8, Qt::Uninitialized);
    char* end = out.data();
    qsizetype start = 0;
    while (true) {
        const qsizetype newline = crlfText.indexOf('\n', start);
        QByteArrayView line(crlfText.constData() + start, (newline < 0 ? crlfText.size() : newline) - start);
        if (line.endsWith('\r')) line.chop(1);
        end = writeQuotedPrintableLine(line, end);
        if (newline < 0) break;
        *end++ = '\r';
        *end++ = '\n';
        start = newline + 1;
    }
    out.truncate(end - out.constData());
    return out;
}

QByteArray base64Lines(const QByteArray& data) {
    const QByteArray encoded = data.toBase64();
    QByteArray out;
    for (qsizetype at = 0; at < encoded.size(); at += 76) out += encoded.mid(at, 76) + "\r\n";
    return out;
}

QString singleLine(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = u' ';
    return out;
}

QByteArray encodeHeaderText(const QString& text) {
    const QString line = singleLine(text);
    return isPlainAscii(line) ? line.toLatin1() : encodedWords(line);
}

QByteArray formatMailbox(const MailAddress& mailbox) {
    const QByteArray address = singleLine(mailbox.address).toUtf8();
    const QString name = singleLine(mailbox.name).trimmed();
    if (name.isEmpty()) return address;
    return displayName(name) + " <" + address + ">";
}

QByteArray headerLine(const QByteArray& name, const QByteArray& value) {
    QByteArray out;
    out.reserve(name.size() + value.size() + value.size() / kMaxHeaderLine * 2 + 8);
    out += name;
    out += ':';
    qsizetype lineLength = out.size();
    // Each word between single blanks, empty ones included, goes on the line it fits.
    for (qsizetype start = 0;;) {
        qsizetype blank = value.indexOf(' ', start);
        if (blank < 0) blank = value.size();
        const QByteArrayView word(value.constData() + start, blank - start);
        if (lineLength + 1 + word.size() > kMaxHeaderLine && lineLength > name.size() + 1) {
            out += "\r\n";
            lineLength = 0;
        }
        out += ' ';
        out += word;
        lineLength += 1 + word.size();
        if (blank == value.size()) break;
        start = blank + 1;
    }
    out += "\r\n";
    return out;
}

QByteArray filenameParameter(const QByteArray& parameter, const QString& fileName) {
    const QString name = singleLine(fileName);
    if (isPlainAscii(name)) return parameter + "=" + quotedString(name);
    QByteArray out = parameter + "*=UTF-8''";
    for (char c : name.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        const bool attrChar = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                              (byte >= '0' && byte <= '9') || QByteArray("!#$&+-.^_`|~").contains(c);
        out += attrChar ? QByteArray(1, c) : hexEscape('%', byte);
    }
    return out;
}

}  // namespace autovelt::comms
