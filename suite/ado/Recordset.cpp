#include "Recordset.h"

#include "Connection.h"
#include "automation/AutomationError.h"

namespace ado {

using automation::AutomationError;

namespace {
const QString kSource = QStringLiteral("ado.Recordset");
}

Recordset::Columns::Columns(QStringList n) : names(std::move(n)) {
    for (int i = 0; i < names.size(); ++i) {
        const QString key = names[i].toLower();
        if (!index.contains(key))
            index.insert(key, i);
    }
}

int Recordset::Columns::find(const QString& name) const {
    // Most lookups use the column's own spelling or an all-lower-case one; try the
    // exact text first to avoid lower-casing on every access.
    auto it = index.constFind(name);
    if (it != index.cend())
        return *it;
    it = index.constFind(name.toLower());
    return it == index.cend() ? -1 : *it;
}

Recordset::Recordset() = default;
Recordset::~Recordset() = default;

void Recordset::Open(const QString& source, Connection& activeConnection, CursorTypeEnum cursorType,
                     LockTypeEnum lockType, long) {
    if (open_)
        throw AutomationError(errors::AlreadyOpen, kSource,
                              QStringLiteral("Operation is not allowed when the object is open."));
    Connection::Result r =
        activeConnection.run({StatementEvent::Open, source, cursorType, lockType});
    if (!r.columns)
        r.columns = std::make_shared<const Columns>(QStringList());
    assign(std::move(r.columns), std::move(r.cells), cursorType, lockType);
}

void Recordset::assign(std::shared_ptr<const Columns> columns, QVector<QVariant> cells,
                       CursorTypeEnum cursor, LockTypeEnum lock) {
    columns_ = std::move(columns);
    cells_ = std::move(cells);
    width_ = columns_->names.size();
    count_ = width_ > 0 ? cells_.size() / width_ : 0;
    pos_ = 0;
    cursorType_ = cursor == adOpenUnspecified ? adOpenForwardOnly : cursor;
    lockType_ = lock == adLockUnspecified ? adLockReadOnly : lock;
    open_ = true;
}

void Recordset::Close() {
    requireOpen();
    open_ = false;
    cells_.clear();
    width_ = count_ = 0;
    columns_.reset();
    pos_ = 0;
}

ObjectStateEnum Recordset::State() const {
    return open_ ? adStateOpen : adStateClosed;
}

void Recordset::requireOpen() const {
    if (!open_)
        throw AutomationError(
            errors::ObjectClosed, kSource,
            QStringLiteral("Operation is not allowed when the object is closed."));
}

void Recordset::requireCurrent() const {
    requireOpen();
    if (pos_ < 0 || pos_ >= count_)
        throw AutomationError(errors::NoCurrentRecord, kSource,
                              QStringLiteral("Either BOF or EOF is True, or the current record "
                                             "has been deleted. Requested operation requires a "
                                             "current record."));
}

bool Recordset::Eof() const {
    requireOpen();
    return pos_ >= count_;
}

bool Recordset::Bof() const {
    requireOpen();
    return pos_ < 0 || count_ == 0;
}

void Recordset::MoveNext() {
    requireCurrent();
    ++pos_;
}

void Recordset::MovePrevious() {
    requireCurrent();
    --pos_;
}

void Recordset::MoveFirst() {
    requireOpen();
    pos_ = 0;
}

void Recordset::MoveLast() {
    requireOpen();
    pos_ = count_ == 0 ? 0 : count_ - 1;
}

qint32 Recordset::RecordCount() const {
    requireOpen();
    return cursorType_ == adOpenForwardOnly ? -1 : qint32(count_);
}

int Recordset::FieldCount() const {
    requireOpen();
    return int(columns_->names.size());
}

QString Recordset::FieldName(int index) const {
    requireOpen();
    if (index < 0 || index >= columns_->names.size())
        throw AutomationError(errors::ItemNotFound, kSource,
                              QStringLiteral("Item cannot be found in the collection "
                                             "corresponding to the requested name or ordinal."));
    return columns_->names[index];
}

const QVariant& Recordset::Fields(int index) const {
    requireOpen();
    if (index < 0 || index >= columns_->names.size())
        throw AutomationError(errors::ItemNotFound, kSource,
                              QStringLiteral("Item cannot be found in the collection "
                                             "corresponding to the requested name or ordinal."));
    requireCurrent();
    return cells_[pos_ * width_ + index];
}

const QVariant& Recordset::Fields(const QString& name) const {
    requireOpen();
    const int i = columns_->find(name);
    if (i < 0)
        throw AutomationError(errors::ItemNotFound, kSource,
                              QStringLiteral("Item cannot be found in the collection "
                                             "corresponding to the requested name or ordinal "
                                             "(%1).")
                                  .arg(name));
    requireCurrent();
    return cells_[pos_ * width_ + i];
}

} // namespace ado
