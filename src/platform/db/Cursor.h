#pragma once

namespace autovelt::inline platform::db {

// Recordset cursor settings, numbered as the original data-access layer numbered them.
enum class CursorLocation { Server = 2, Client = 3 };
enum class CursorType { ForwardOnly = 0, Keyset = 1, Dynamic = 2, Static = 3 };
enum class LockType { ReadOnly = 1, Pessimistic = 2, Optimistic = 3, BatchOptimistic = 4 };

struct CursorOptions {
    CursorLocation location = CursorLocation::Server;
    CursorType type = CursorType::ForwardOnly;
    LockType lock = LockType::ReadOnly;

    bool updatable() const { return lock != LockType::ReadOnly; }
};

// The presets the routines use before opening a recordset.
inline void SetReadOnlyCursor(CursorOptions& c) {
    c = {CursorLocation::Server, CursorType::ForwardOnly, LockType::ReadOnly};
}
inline void SetClientReadOnlyCursor(CursorOptions& c) {
    c = {CursorLocation::Client, CursorType::ForwardOnly, LockType::ReadOnly};
}
// Rows opened by key for add-when-missing and update: keyset cursor, optimistic locking.
inline void SetKeysetCursor(CursorOptions& c) {
    c = {CursorLocation::Server, CursorType::Keyset, LockType::Optimistic};
}

inline CursorOptions readOnlyCursor() { CursorOptions c; SetReadOnlyCursor(c); return c; }
inline CursorOptions clientReadOnlyCursor() { CursorOptions c; SetClientReadOnlyCursor(c); return c; }
inline CursorOptions keysetCursor() { CursorOptions c; SetKeysetCursor(c); return c; }

}  // namespace autovelt::platform::db
