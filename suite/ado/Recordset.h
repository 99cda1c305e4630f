#pragma once

#include "Ado.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

namespace ado {

class Connection;

/// The rows of one query. Opening reads every row, so the statement is finished at
/// once and no lock or cursor is held on the server while the caller reads.
/// Field names are matched without regard to letter case; a NULL reads as a null
/// QVariant.
class Recordset {
public:
    Recordset();
    ~Recordset();

    void Open(const QString& source, Connection& activeConnection,
              CursorTypeEnum cursorType = adOpenForwardOnly, LockTypeEnum lockType = adLockReadOnly,
              long options = adCmdText);
    void Close();
    ObjectStateEnum State() const;

    bool Eof() const;
    bool Bof() const;
    void MoveNext();
    void MovePrevious();
    void MoveFirst();
    void MoveLast();
    /// Number of rows; -1 on a forward-only cursor, as the host expects.
    qint32 RecordCount() const;

    /// The value of a column of the current row.
    const QVariant& Fields(const QString& name) const;
    const QVariant& Fields(int index) const;
    int FieldCount() const;
    QString FieldName(int index) const;

    CursorTypeEnum CursorType() const { return cursorType_; }
    LockTypeEnum LockType() const { return lockType_; }

    /// Columns of a result, with a case-insensitive index; shared between the results
    /// of one prepared statement.
    struct Columns {
        explicit Columns(QStringList names);
        QStringList names;
        QHash<QString, int> index; // lower-case name -> first column of that name
        int find(const QString& name) const;
    };

private:
    friend class Connection;
    void assign(std::shared_ptr<const Columns> columns, QVector<QVariant> cells,
                CursorTypeEnum cursor, LockTypeEnum lock);
    void requireOpen() const;
    void requireCurrent() const;

    bool open_ = false;
    std::shared_ptr<const Columns> columns_;
    QVector<QVariant> cells_; // row after row, width_ values each
    qsizetype width_ = 0;
    qsizetype count_ = 0; // rows
    qsizetype pos_ = 0;
    CursorTypeEnum cursorType_ = adOpenForwardOnly;
    LockTypeEnum lockType_ = adLockReadOnly;
};

} // namespace ado
