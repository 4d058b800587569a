#pragma once

#include "state/StagedFiles.h"

namespace autovelt::inline state {

class CycleContext;
class UnitSession;
struct ApplicationState;

// Files `content` as `file` describes (its `staged` is filled in here). Inside an import
// pass the file is staged and a "file" effect recorded in the application's unit of work,
// so it is filed only when the application commits; outside a pass it is filed at once.
// Returns the path it is (or will be) filed under, or an empty text with the reason. A dry
// run writes nothing and only returns the path.
QString FileAfterCommit(const CycleContext& cycle, UnitSession& session, const ApplicationState& app, StagedFile file,
                        const QByteArray& content, QString* reason);

// The outbox's performer of "file" effects: files the staged file, reporting why not.
bool PerformFileEffect(UnitSession& session, const QString& payload);

}  // namespace autovelt::state
