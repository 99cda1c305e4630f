#pragma once

#include <QtGlobal>

namespace ado {

// The cursor, lock and command options of the data layer, with the values hosts know.
// Every backend accepts every combination: rows are read into the recordset when it
// opens, so each cursor type behaves as a snapshot of the rows at that moment.
enum CursorTypeEnum {
    adOpenUnspecified = -1,
    adOpenForwardOnly = 0,
    adOpenKeyset = 1,
    adOpenDynamic = 2,
    adOpenStatic = 3
};
enum LockTypeEnum {
    adLockUnspecified = -1,
    adLockReadOnly = 1,
    adLockPessimistic = 2,
    adLockOptimistic = 3,
    adLockBatchOptimistic = 4
};
enum CommandTypeEnum { adCmdUnspecified = -1, adCmdText = 1 };
enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

/// Error numbers raised by the data layer. They are stable: hosts test them.
namespace errors {
/// The database rejected the statement (syntax, unknown table or column, bad value).
constexpr qint32 Statement = -2147217900; // 0x80040E14
/// The statement would break a key, a NOT NULL or another integrity rule.
constexpr qint32 Integrity = -2147217873; // 0x80040E2F
/// The connection could not be opened or was lost.
constexpr qint32 ConnectFailed = -2147467259; // 0x80004005
/// CommitTrans or RollbackTrans without an open transaction.
constexpr qint32 NoTransaction = -2147168242; // 0x8004D00E
/// The database ended the transaction because it conflicted with another user's (a
/// deadlock, a serialization failure): the same work, run again, may succeed.
constexpr qint32 Conflict = -2147168231; // 0x8004D019
/// The connection is closed.
constexpr qint32 ConnectionClosed = 3709;
/// The recordset is closed.
constexpr qint32 ObjectClosed = 3704;
/// The connection string names a driver the layer does not know, or one not installed.
constexpr qint32 ProviderNotFound = 3706;
/// No column of that name or ordinal.
constexpr qint32 ItemNotFound = 3265;
/// The recordset is at its beginning or end: there is no current row.
constexpr qint32 NoCurrentRecord = 3021;
/// The connection is already open.
constexpr qint32 AlreadyOpen = 3705;
} // namespace errors

} // namespace ado
