#include "comms/MemberEmailTemplate.h"

#include "common/AnsiCodePage.h"
#include "common/NameCaps.h"
#include "common/Values.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

namespace autovelt::inline comms {

namespace {

const QString kUrl = QStringLiteral("<URL>");
const QString kUrl2 = QStringLiteral("<URL2>");
const QString kCref = QStringLiteral("<CREF>");

QString capitalised(QString text) { return FirstLettersCaps(text); }

QString dayAfter(const QDate& date, int days) { return formatDate(date.addDays(days), QStringLiteral("d mmmm yyyy")); }

// In a plain-text body a value must not start markup: SendEmail sends a body holding "<a",
// "<b", "<p" or "{\" as HTML.
QString plainTextValue(const QString& value) {
    QString out = value;
    out.remove(QLatin1Char('<'));
    out.remove(QLatin1Char('\\'));
    return out;
}

// "<a href=" + upload page + "?ref=" + key + ">Click here</a>". The key is percent-encoded,
// so nothing it holds can end the attribute or the tag.
QString uploadLink(const QString& address, const QString& key) {
    const QString target = address + QStringLiteral("?ref=") + QString::fromLatin1(QUrl::toPercentEncoding(key));
    return QStringLiteral("<a href=") + HtmlEscaped(target) + QStringLiteral(">Click here</a>");
}

}  // namespace

PlaceholderValues MemberEmailValues(const ApplicationState& app, const CycleSettings& s, const QDate& passDate,
                                    const std::array<QString, 3>& uploadHosts, bool withUploadLink) {
    const QString surname = capitalised(app.field[tw::Surname]);
    PlaceholderValues values{
        {QStringLiteral("<7>"), dayAfter(passDate, 7)},
        {QStringLiteral("<14>"), dayAfter(passDate, 14)},
        {QStringLiteral("<NO>"), QString::number(app.memberNumber)},
        {QStringLiteral("<F>"), capitalised(app.field[tw::Forename])},
        {QStringLiteral("<T>"), capitalised(app.field[tw::Title])},
        {QStringLiteral("<S>"), surname},
        {QStringLiteral("<SN>"), surname},
        {QStringLiteral("<CUNAME>"), s.cuname},
        {QStringLiteral("<CUEMAIL>"), s.SenderAddress},
        {QStringLiteral("<REGNO>"), s.FSARefNo},
    };
    if (withUploadLink) {
        values.insert(kCref, app.field[tw::UploadKey]);
        values.insert(kUrl, UploadLoginAddress(s.webip, s.webun, uploadHosts));
    }
    return values;
}

QString UploadLoginAddress(const QString& webip, const QString& webun, const std::array<QString, 3>& uploadHosts) {
    const QString ending = webip.right(3);
    const int index = ending == QLatin1String(".33")   ? 0
                      : ending == QLatin1String("120") ? 1
                      : ending == QLatin1String(".81") ? 2
                                                       : -1;
    if (index < 0 || uploadHosts[size_t(index)].isEmpty()) return {};
    // The online user names the site's folder; encoded, it stays one path segment.
    return QStringLiteral("https://") + uploadHosts[size_t(index)] + QStringLiteral("/~") +
           QString::fromLatin1(QUrl::toPercentEncoding(webun)) + QStringLiteral("/join+borrow/upload-login.php");
}

bool IsHtmlTemplate(const QString& templateText) {
    return templateText.contains(QLatin1String("<a")) || templateText.contains(QLatin1String("{\\")) ||
           templateText.contains(QLatin1String("<b")) || templateText.contains(QLatin1String("<p")) ||
           templateText.contains(kUrl2);
}

namespace {

// The end of a placeholder ("<" + one to eight capitals or digits + ">") that starts at
// `start`, or -1 when none starts there.
qsizetype placeholderEnd(const QString& text, qsizetype start) {
    constexpr qsizetype kLongestName = 8;
    qsizetype i = start + 1;
    while (i < text.size() && i - start <= kLongestName) {
        const char16_t c = text[i].unicode();
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))) break;
        ++i;
    }
    const qsizetype length = i - start - 1;
    return length >= 1 && length <= kLongestName && i < text.size() && text[i] == u'>' ? i + 1 : -1;
}

}  // namespace

QString FillTemplate(const QString& templateText, const PlaceholderValues& values) {
    const bool html = IsHtmlTemplate(templateText);
    QString out;
    out.reserve(templateText.size() + 256);
    qsizetype copied = 0;
    qsizetype next = 0;  // where the search for the next "<" starts
    for (qsizetype start; (start = templateText.indexOf(u'<', next)) >= 0;) {
        const qsizetype end = placeholderEnd(templateText, start);
        next = end < 0 ? start + 1 : end;
        if (end < 0) continue;
        const QString name = templateText.mid(start, end - start);
        QString replacement;
        if (name == kUrl2 && values.contains(kUrl)) replacement = uploadLink(values.value(kUrl), values.value(kCref));
        else if (values.contains(name)) replacement = html ? HtmlEscaped(values.value(name)) : plainTextValue(values.value(name));
        else continue;  // not one of this email's: left as written
        out += QStringView(templateText).mid(copied, start - copied);
        out += replacement;
        copied = end;
    }
    out += QStringView(templateText).mid(copied);
    return out;
}

QString HtmlEscaped(const QString& text) { return text.toHtmlEscaped().replace(QLatin1Char('\''), QStringLiteral("&#39;")); }

std::optional<QString> ReadTemplateFile(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        if (error) *error = info.isDir() ? QStringLiteral("it is a folder") : file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);  // drops a leading byte order mark
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    // Templates written on the credit union's own machines are often in its ANSI code page.
    text.clear();
    for (char byte : bytes) text += ansiCharacter(static_cast<unsigned char>(byte));
    return text;
}

}  // namespace autovelt::comms
