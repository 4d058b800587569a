#pragma once

#include "state/WebsiteColumns.h"

#include <QDate>
#include <QString>
#include <array>
#include <optional>

namespace autovelt::inline state {

// An identity check (eIDV) result: its status ("PASS", "REFER", "FAIL" and the like),
// score and reference; whether the importer's check was failed for a bank detail anomaly or
// could not be made at all.
struct IdentityResult {
    QString status;
    QString score;
    QString reference;
    bool failedOnBank = false;
    bool unableToCheck = false;
};

// An application as the website stored it, read and decoded once by the intake
// (ReadApplicationRow): every column as cleaned text by its place, the keys that find its
// rows online, and the values the steps reckon with, each read by one rule from the column
// it comes from.
struct Application {
    // field[n] holds the decoded and cleaned value of online column field_n; the columns
    // read by meaning are named in tw:: (field[tw::Surname] is field_6).
    std::array<QString, 121> field{};
    QString fieldId;                 // the application key (table_w.field_id)
    QString identityKey;             // field_id and a fingerprint of the row as the website wrote it
    QString messageSuffix;           // " (table_w field_id=<key>)"
    QString cleanedNINumber;
    QString rawField2;               // links the table_ad rows; also marks them imported
    QString rawField105;             // the document upload key as stored online
    QString noteText;                // field_104, never decoded

    // field_110 is "2": the applicant only joins, and borrows nothing.
    bool isJoinOnly() const { return field[tw::ApplicationCode] == QLatin1String("2"); }
    // field_1 as a whole number (rounded half to even); 0 for a new applicant.
    long givenMemberNumber() const;
    // field_7, day first; nothing when it is no date.
    std::optional<QDate> dateOfBirth() const;
    // field_46, the amount applied for: its leading number, 0 when there is none.
    double loanAmount() const;
    // field_47, the term in months: its leading number.
    double termMonths() const;
    // field_31 to field_33: the identity check the website ran itself, when it sent one.
    IdentityResult websiteIdentity() const;
};

}  // namespace autovelt::state
