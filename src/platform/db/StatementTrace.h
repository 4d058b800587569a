#pragma once

#include <QString>
#include <QVariantList>

namespace autovelt::inline platform::db {

// Every statement a connection sends, as the engine receives it, with its bound values.
// The import pass benchmark gives one to its connections and replays the stream straight
// into the engine, to see what the layers above the engine cost. Nothing in the program
// sets one.
class StatementTrace {
public:
    virtual ~StatementTrace() = default;
    // `session` names the engine session (connections that share one give the same name);
    // an embedded session's first entry is "-- open <file>".
    virtual void statement(const QString& session, const QString& text, const QVariantList& bound) = 0;
};

}  // namespace autovelt::platform::db
