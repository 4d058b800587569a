#include "platform/db/TextComparison.h"

#include "common/VeltError.h"

#include <QChar>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>
#include <sqlite3.h>
#include <algorithm>
#include <optional>
#include <string_view>

namespace autovelt::inline platform::db {

namespace {

// Walks a UTF-8 text one code point at a time. A byte that is not part of a valid
// sequence stands for itself (as a value no valid character has), so nothing is skipped.
class FoldedText {
public:
    FoldedText(const void* data, int bytes)
        : text_(static_cast<const char*>(data), data && bytes > 0 ? static_cast<size_t>(bytes) : 0) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    char32_t next() { return QChar::toCaseFolded(nextRaw()); }
    char32_t nextRaw() {
        size_t length = 1;
        const char32_t c = decode(pos_, length);
        pos_ += length;
        return c;
    }
    size_t position() const { return pos_; }
    void seek(size_t pos) { pos_ = pos; }

private:
    char32_t decode(size_t at, size_t& length) const {
        const auto byte = [&](size_t i) { return static_cast<unsigned char>(text_[i]); };
        const unsigned char lead = byte(at);
        length = 1;
        if (lead < 0x80) return lead;
        const size_t size = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        const char32_t invalid = 0xDC00 + lead;
        if (size == 0 || at + size > text_.size()) return invalid;
        char32_t c = lead & (0x7F >> size);
        for (size_t i = 1; i < size; ++i) {
            if ((byte(at + i) & 0xC0) != 0x80) return invalid;
            c = (c << 6) | (byte(at + i) & 0x3F);
        }
        length = size;
        return c;
    }

    std::string_view text_;
    size_t pos_ = 0;
};

unsigned char asciiFolded(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// Orders as the engine's own NOCASE does (code point order after folding A to Z to
// lower case), with every other letter folded too, so indexes keep their order.
int compareFolded(void*, int bytes1, const void* text1, int bytes2, const void* text2) {
    // Most texts are plain ASCII: compare those bytes directly, folding A to Z, and decode
    // only from the first byte outside ASCII on.
    const auto* p = static_cast<const unsigned char*>(text1);
    const auto* q = static_cast<const unsigned char*>(text2);
    const int common = std::min(bytes1, bytes2);
    int at = 0;
    for (; at < common && p[at] < 0x80 && q[at] < 0x80; ++at) {
        const unsigned char x = asciiFolded(p[at]), y = asciiFolded(q[at]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (at == common && at == bytes1 && at == bytes2) return 0;
    if (at == common && (at == bytes1 || at == bytes2)) {
        // One text is a prefix of the other (in ASCII): the shorter one orders first.
        return bytes1 < bytes2 ? -1 : 1;
    }
    FoldedText a(p + at, bytes1 - at), b(q + at, bytes2 - at);
    while (!a.atEnd() && !b.atEnd()) {
        const char32_t x = a.next(), y = b.next();
        if (x != y) return x < y ? -1 : 1;
    }
    return a.atEnd() ? (b.atEnd() ? 0 : -1) : 1;
}

// LIKE with "%" (any run), "_" (one character) and an optional escape character, which
// makes the character after it literal. Greedy, going back to the last "%" on a mismatch.
bool likeMatches(FoldedText pattern, FoldedText text, std::optional<char32_t> escape) {
    std::optional<size_t> afterPercent, retryFrom;
    while (!text.atEnd()) {
        if (!pattern.atEnd()) {
            const size_t patternHere = pattern.position();
            const char32_t p = pattern.nextRaw();
            const bool escaped = escape && p == *escape;
            if (!escaped && p == U'%') {
                afterPercent = pattern.position();
                retryFrom = text.position();
                continue;
            }
            const size_t textHere = text.position();
            const char32_t t = text.next();
            bool same = false;
            if (escaped) same = !pattern.atEnd() && QChar::toCaseFolded(pattern.nextRaw()) == t;
            else same = p == U'_' || QChar::toCaseFolded(p) == t;
            if (same) continue;
            pattern.seek(patternHere);
            text.seek(textHere);
        }
        if (!afterPercent) return false;
        // Let the last "%" take one more character and try again from there.
        text.seek(*retryFrom);
        text.nextRaw();
        retryFrom = text.position();
        pattern.seek(*afterPercent);
    }
    while (!pattern.atEnd())
        if (pattern.nextRaw() != U'%') return false;
    return true;
}

// like(pattern, text) and like(pattern, text, escape), as the engine calls them for
// "text LIKE pattern [ESCAPE escape]".
void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(context);
    std::optional<char32_t> escape;
    if (argc == 3) {
        FoldedText e(sqlite3_value_text(argv[2]), sqlite3_value_bytes(argv[2]));
        if (e.atEnd()) return sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        escape = e.nextRaw();
        if (!e.atEnd()) return sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
    }
    // Each value's text is fetched before its length, so the length is that of the UTF-8 text.
    const void* patternText = sqlite3_value_text(argv[0]);
    const int patternBytes = sqlite3_value_bytes(argv[0]);
    const void* text = sqlite3_value_text(argv[1]);
    const int textBytes = sqlite3_value_bytes(argv[1]);
    sqlite3_result_int(context, likeMatches(FoldedText(patternText, patternBytes), FoldedText(text, textBytes), escape));
}

[[noreturn]] void refused(sqlite3* handle, const char* what) {
    throw VeltError(-2147467259, QStringLiteral("Connection"),
                    QStringLiteral("Could not register %1: %2").arg(QLatin1String(what), QString::fromUtf8(sqlite3_errmsg(handle))));
}

}  // namespace

void RegisterTextComparison(QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    sqlite3* connection = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3* const*>(handle.constData())
                              : nullptr;
    if (!connection)
        throw VeltError(-2147467259, QStringLiteral("Connection"), QStringLiteral("No embedded database connection to set up"));
    // The engine prefers a collation registered for the database's own text encoding, and
    // its built-in NOCASE is registered for UTF-8, the encoding of every database here.
    if (sqlite3_create_collation(connection, "NOCASE", SQLITE_UTF8, nullptr, compareFolded) != SQLITE_OK)
        refused(connection, "the NOCASE collation");
    for (int arguments : {2, 3})
        if (sqlite3_create_function(connection, "like", arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                    likeFunction, nullptr, nullptr) != SQLITE_OK)
            refused(connection, "the LIKE operator");
}

}  // namespace autovelt::platform::db
