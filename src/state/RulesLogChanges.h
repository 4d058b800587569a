#pragma once

// The rules_log rows an application adds and removes on the website's database. They are
// gathered while the application is imported and applied only after its core banking rows
// have committed, as one effect of the outbox, so an application that is undone changes
// nothing online.

#include <QList>
#include <QString>

namespace autovelt::inline platform::db { class Connection; }

namespace autovelt::inline state {

inline const QString kRulesLogEffect = QStringLiteral("rules_log");

struct RulesLogRow {
    QString member;  // the member's reference code
    QString code;
    QString description;
    QString active;
    QString value;
    QString result;
};

struct RulesLogChanges {
    QList<RulesLogRow> inserts;
    QList<qlonglong> deletes;  // rule_id of rows already online

    bool isEmpty() const { return inserts.isEmpty() && deletes.isEmpty(); }
    QString encode() const;
    static RulesLogChanges decode(const QString& payload);
};

// Applies the changes in one online transaction; raises VeltError (nothing applied) on failure.
void ApplyRulesLogChanges(db::Connection& online, const RulesLogChanges& changes);

}  // namespace autovelt::state
