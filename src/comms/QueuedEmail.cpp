#include "comms/QueuedEmail.h"

#include "comms/ImporterMail.h"
#include "comms/PickupFolderTransport.h"
#include "comms/SendEmail.h"
#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <QHash>
#include <QList>

#include <mutex>
#include <optional>

namespace autovelt::inline comms {

namespace {

// Reading an email back from its stored text costs more than building the message: the
// emails a pass queues are sent moments later, so the values of the last ones encoded are
// kept beside their text. The same text always reads back as the same email, so a kept
// value is exactly what decoding would give.
class RecentEmails {
public:
    void keep(const QString& payload, const QueuedEmail& email) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (byPayload_.contains(payload)) return;
        if (order_.size() >= kKept) byPayload_.remove(order_.takeFirst());
        order_.append(payload);
        byPayload_.insert(payload, email);
    }
    std::optional<QueuedEmail> find(const QString& payload) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = byPayload_.constFind(payload);
        if (it == byPayload_.constEnd()) return std::nullopt;
        return *it;
    }

private:
    static constexpr qsizetype kKept = 256;
    mutable std::mutex mutex_;
    QList<QString> order_;
    QHash<QString, QueuedEmail> byPayload_;
};

RecentEmails& recentEmails() {
    static RecentEmails emails;
    return emails;
}

QueuedEmail parseQueuedEmail(const QString& payload) {
    const QJsonObject o = QJsonDocument::fromJson(payload.toUtf8()).object();
    QueuedEmail email;
    email.to = o.value(QStringLiteral("to")).toString();
    email.subject = o.value(QStringLiteral("subject")).toString();
    email.replyAddress = o.value(QStringLiteral("replyAddress")).toString();
    email.body = o.value(QStringLiteral("body")).toString();
    email.smtpServer = o.value(QStringLiteral("smtpServer")).toString();
    email.port = static_cast<quint16>(o.value(QStringLiteral("port")).toInt(25));
    email.senderAccount = o.value(QStringLiteral("senderAccount")).toString();
    email.attachments = o.value(QStringLiteral("attachments")).toString();
    email.useSsl = o.value(QStringLiteral("useSsl")).toBool();
    email.failureLine = o.value(QStringLiteral("failureLine")).toString();
    return email;
}

}  // namespace

namespace {

char* writeHex4(char* p, char16_t unit) {
    static constexpr char kHex[] = "0123456789abcdef";
    *p++ = '\\';
    *p++ = 'u';
    for (int shift = 12; shift >= 0; shift -= 4) *p++ = kHex[(unit >> shift) & 0xF];
    return p;
}

// A JSON string exactly as the JSON writer writes it: the quote and the backslash escaped,
// control characters by their short escapes or as \u00XX, a surrogate without its partner
// as \uXXXX, everything else as UTF-8. Written through a pointer into room for the longest
// form (six bytes a code unit), then cut to what was written.
void appendJsonString(QByteArray& out, const QString& text) {
    const qsizetype size = text.size();
    const qsizetype start = out.size();
    out.resize(start + 6 * size + 2);
    char* p = out.data() + start;
    const char16_t* units = reinterpret_cast<const char16_t*>(text.constData());
    *p++ = '"';
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t u = units[i];
        if (u >= 0x20 && u < 0x80) {
            if (u == u'"' || u == u'\\') *p++ = '\\';
            *p++ = char(u);
        } else if (u < 0x20) {
            const char* shortEscape = u == u'\b' ? "b" : u == u'\f' ? "f" : u == u'\n' ? "n" : u == u'\r' ? "r" : u == u'\t' ? "t" : nullptr;
            if (shortEscape) {
                *p++ = '\\';
                *p++ = *shortEscape;
            } else {
                p = writeHex4(p, u);
            }
        } else if (QChar::isHighSurrogate(u) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, units[++i]);
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
            *p++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isSurrogate(u)) {
            p = writeHex4(p, u);
        } else if (u < 0x800) {
            *p++ = char(0xC0 | (u >> 6));
            *p++ = char(0x80 | (u & 0x3F));
        } else {
            *p++ = char(0xE0 | (u >> 12));
            *p++ = char(0x80 | ((u >> 6) & 0x3F));
            *p++ = char(0x80 | (u & 0x3F));
        }
    }
    *p++ = '"';
    out.truncate(p - out.constData());
}

}  // namespace

// The stored text is the compact JSON object of the email, its keys in order, written here
// directly: the document classes cost more than the message itself.
QString EncodeQueuedEmail(const QueuedEmail& email) {
    QByteArray json;
    json.reserve(email.body.size() + email.subject.size() + 512);
    const auto text = [&json](const char* key, const QString& value) {
        json += key;
        appendJsonString(json, value);
    };
    text("{\"attachments\":", email.attachments);
    text(",\"body\":", email.body);
    text(",\"failureLine\":", email.failureLine);
    json += ",\"port\":" + QByteArray::number(email.port);
    text(",\"replyAddress\":", email.replyAddress);
    text(",\"senderAccount\":", email.senderAccount);
    text(",\"smtpServer\":", email.smtpServer);
    text(",\"subject\":", email.subject);
    text(",\"to\":", email.to);
    json += email.useSsl ? ",\"useSsl\":true}" : ",\"useSsl\":false}";
    const QString payload = QString::fromUtf8(json);
    recentEmails().keep(payload, email);
    return payload;
}

QueuedEmail DecodeQueuedEmail(const QString& payload) {
    if (std::optional<QueuedEmail> kept = recentEmails().find(payload)) return *kept;
    return parseQueuedEmail(payload);
}

void QueueEmail(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                const QueuedEmail& email) {
    EffectOutbox(session.connections.TarvAudt)
        .record(app.identityKey, kEmailEffect, EncodeQueuedEmail(email), cycle.clock().now());
}

namespace {

// The pickup folder the installation's emails are written to; empty when they go by SMTP.
QString pickupFolderOf(const CycleContext& cycle) {
    const MailContext context = mailContextOf(cycle);
    return context.transport ? QString() : context.settings.pickupFolder.trimmed();
}

// The effect's own name, unique beside other installations writing to the same folder.
QString pickupNameOf(const Effect& effect) {
    const QByteArray key = QCryptographicHash::hash(effect.applicationKey.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("velt-%1-%2").arg(effect.id).arg(QString::fromLatin1(key));
}

bool reportNotSent(UnitSession& session, const QueuedEmail& email, const QString& result) {
    if (email.failureLine.isEmpty()) {
        session.ShowException(QStringLiteral("Email to ") + email.to + QStringLiteral(" not sent: ") + result);
    } else {
        session.ShowException(email.failureLine);
        session.ShowException(QStringLiteral("The response was ") + result);
    }
    return false;
}

QString preparePickupEmail(const CycleContext& cycle, const QString& folder, const Effect& effect,
                           const QueuedEmail& email) {
    const MailContext context = mailContextOf(cycle);
    BuiltMail built = buildMailMessage(email.to, email.subject, email.replyAddress, email.body, email.senderAccount,
                                       email.attachments, context.cuname);
    if (!built.error.isEmpty()) return built.error;
    if (context.plainText) built.message.html = false;
    return PickupFolderTransport(folder).prepare(pickupNameOf(effect), built.message);
}

}  // namespace

bool PrepareQueuedEmail(const CycleContext& cycle, UnitSession& session, const Effect& effect) {
    const QString folder = pickupFolderOf(cycle);
    if (folder.isEmpty()) return true;
    const QueuedEmail email = DecodeQueuedEmail(effect.payload);
    const QString result = preparePickupEmail(cycle, folder, effect, email);
    return result == QLatin1String("ok") || reportNotSent(session, email, result);
}

bool SendQueuedEmail(const CycleContext& cycle, UnitSession& session, const Effect& effect) {
    const QString folder = pickupFolderOf(cycle);
    if (folder.isEmpty()) {
        const QueuedEmail email = DecodeQueuedEmail(effect.payload);
        const QString result = SendEmail(email.to, email.subject, email.replyAddress, email.body, email.smtpServer,
                                         email.port, email.senderAccount, cycle.config.smtpPassword, email.attachments,
                                         email.useSsl, mailContextOf(cycle));
        return result == QLatin1String("ok") || reportNotSent(session, email, result);
    }
    // A prepared email is delivered by its name alone: the payload is read only to prepare it
    // now (a caller with no preparing step) or to say what was not sent.
    std::optional<QueuedEmail> email;
    const auto decoded = [&]() -> const QueuedEmail& {
        if (!email) email = DecodeQueuedEmail(effect.payload);
        return *email;
    };
    PickupFolderTransport pickup(folder);
    QString result = pickup.prepared(pickupNameOf(effect)) ? QStringLiteral("ok")
                                                           : preparePickupEmail(cycle, folder, effect, decoded());
    if (result == QLatin1String("ok")) result = pickup.deliver(pickupNameOf(effect));
    return result == QLatin1String("ok") || reportNotSent(session, decoded(), result);
}

EffectOutbox::Settled SettleQueuedEmail(const CycleContext& cycle, const Effect& effect) {
    const QString folder = pickupFolderOf(cycle);
    if (folder.isEmpty()) return EffectOutbox::Settled::Unknown;
    return PickupFolderTransport(folder).prepared(pickupNameOf(effect)) ? EffectOutbox::Settled::NotYet
                                                                        : EffectOutbox::Settled::Happened;
}

}  // namespace autovelt::comms
