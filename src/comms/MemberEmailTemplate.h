#pragma once

// The templates of the emails to applicants: files the credit union keeps in the program's
// folder, filled in by replacing placeholders such as "<F>" (forename) or "<URL2>" (a link
// to the upload page). Every value comes from an applicant's form or the settings, so each
// is escaped for the kind of body it lands in and never read again as a placeholder.

#include "state/ApplicationState.h"
#include "state/CycleSettings.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline comms {

// The five template files.
inline const QString kJoinTemplate = QStringLiteral("joinonly.html");
inline const QString kLoanTemplate = QStringLiteral("Lngeneral.html");
inline const QString kJoinAndLoanTemplate = QStringLiteral("Lnjandb.html");
inline const QString kJoinFailTemplate = QStringLiteral("Jnnotok.html");
inline const QString kLoanFailTemplate = QStringLiteral("Lnnotok.html");

// Placeholder (with its angle brackets) -> the plain value it stands for. "<URL2>" is not
// in here: it is markup, made by FillTemplate from "<URL>" and "<CREF>".
using PlaceholderValues = QHash<QString, QString>;

// The values every member email fills; with the upload link, also "<CREF>" and "<URL>"
// (the loan and fail emails).
PlaceholderValues MemberEmailValues(const ApplicationState& app, const CycleSettings& settings, const QDate& passDate,
                                    const std::array<QString, 3>& uploadHosts, bool withUploadLink);

// The upload page of the website the credit union's web server address points at: one of
// the three configured hosts, chosen by the address's last three characters (".33", "120",
// ".81"); empty for any other address or a host that is not configured.
QString UploadLoginAddress(const QString& webip, const QString& webun, const std::array<QString, 3>& uploadHosts);

// True when the template makes an HTML body (the test the mail routine applies, with
// "<URL2>", which puts a link in, counted as markup).
bool IsHtmlTemplate(const QString& templateText);

// Replaces every placeholder of `values` (and "<URL2>" when "<URL>" is among them) in one
// pass over the template. In an HTML template the values are HTML-escaped; in a plain-text
// one they lose "<" and "\", so no value can turn the body into HTML.
QString FillTemplate(const QString& templateText, const PlaceholderValues& values);

// "&", "<", ">", double and single quotes as character references.
QString HtmlEscaped(const QString& text);

// The template file read whole: UTF-8, or the ANSI code page when the file is not UTF-8.
// Nothing when it is missing; `error` says why when it exists but cannot be read.
std::optional<QString> ReadTemplateFile(const QString& path, QString* error);

}  // namespace autovelt::comms
