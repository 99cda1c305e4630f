#include "OutlineModel.h"

#include "automation/AutomationError.h"

namespace grid {

struct OutlineModel::Row {
    QStringList cells;
    QString toolTip;
    int level = -1; // node level, -1 for a plain row
    bool collapsed = false;
    Row* parent = nullptr;
    std::vector<Row*> children;
    int pos = 0;     // place among the parent's children
    int gridRow = 0; // place in the whole grid
};

namespace {

[[noreturn]] void badRow(int row) {
    throw automation::AutomationError(381, QStringLiteral("VSFlexGrid"),
                                      QStringLiteral("Invalid Row value (") + QString::number(row) +
                                          u')');
}

} // namespace

OutlineModel::OutlineModel(int columns, QObject* parent)
    : QAbstractItemModel(parent), columns_(columns), root_(std::make_unique<Row>()) {
    root_->level = -2;
}

OutlineModel::~OutlineModel() = default;

OutlineModel::Row* OutlineModel::rowAt(int row) const {
    if (row < 0 || row >= int(flat_.size()))
        badRow(row);
    return flat_[size_t(row)].get();
}

OutlineModel::Row* OutlineModel::rowOf(const QModelIndex& index) const {
    return index.isValid() ? static_cast<Row*>(index.internalPointer()) : root_.get();
}

void OutlineModel::renumberFrom(int first) {
    for (size_t i = size_t(qMax(first, 0)); i < flat_.size(); ++i)
        flat_[i]->gridRow = int(i);
}

// The tree from the grid order: a stack of the nodes still open above the current row.
void OutlineModel::rebuildTree() {
    root_->children.clear();
    std::vector<Row*> open;
    for (const auto& owned : flat_) {
        Row* r = owned.get();
        r->children.clear();
        if (r->level >= 0)
            while (!open.empty() && open.back()->level >= r->level)
                open.pop_back();
        r->parent = open.empty() ? root_.get() : open.back();
        r->pos = int(r->parent->children.size());
        r->parent->children.push_back(r);
        if (r->level >= 0)
            open.push_back(r);
    }
    renumberFrom(0);
}

void OutlineModel::structureChanged() {
    if (!redraw_)
        return; // told once, when redrawing is switched on
    beginResetModel();
    rebuildTree();
    endResetModel();
}

void OutlineModel::setRedraw(bool on) {
    if (on == redraw_)
        return;
    redraw_ = on;
    if (on) {
        rebuildTree();
        endResetModel();
    } else {
        beginResetModel();
    }
}

void OutlineModel::Clear() {
    if (redraw_)
        beginResetModel();
    flat_.clear();
    root_->children.clear();
    if (redraw_)
        endResetModel();
}

QString OutlineModel::TextMatrix(int row, int col) const {
    const Row* r = rowAt(row);
    if (col < 0 || col >= columns_)
        throw automation::AutomationError(381, QStringLiteral("VSFlexGrid"),
                                          QStringLiteral("Invalid Col value (") +
                                              QString::number(col) + u')');
    return r->cells[col];
}

void OutlineModel::setTextMatrix(int row, int col, const QString& text) {
    Row* r = rowAt(row);
    if (col < 0 || col >= columns_)
        throw automation::AutomationError(381, QStringLiteral("VSFlexGrid"),
                                          QStringLiteral("Invalid Col value (") +
                                              QString::number(col) + u')');
    if (r->cells[col] == text)
        return;
    r->cells[col] = text;
    if (redraw_) {
        const QModelIndex i = createIndex(r->pos, col, r);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    }
}

void OutlineModel::AddItem(const QString& tabText, int row) {
    AddItem(tabText.split(u'\t'), row);
}

void OutlineModel::AddItem(QStringList cells, int row) {
    const int at = row < 0 ? int(flat_.size()) : row;
    if (at > int(flat_.size()))
        badRow(row);
    auto owned = std::make_unique<Row>();
    Row* r = owned.get();
    r->cells = std::move(cells);
    if (r->cells.size() != columns_) // resizing a list shared with the caller copies it
        r->cells.resize(columns_);
    if (!redraw_) {
        flat_.insert(flat_.begin() + at, std::move(owned));
        return;
    }
    // A plain row belongs to the nearest node above it: the row above when that is a
    // node, else the row above's own parent, right after it.
    Row* above = at > 0 ? flat_[size_t(at - 1)].get() : nullptr;
    Row* parent = !above ? root_.get() : above->level >= 0 ? above : above->parent;
    const int pos = !above || above->level >= 0 ? 0 : above->pos + 1;
    beginInsertRows(parent == root_.get() ? QModelIndex() : createIndex(parent->pos, 0, parent),
                    pos, pos);
    r->parent = parent;
    parent->children.insert(parent->children.begin() + pos, r);
    for (size_t i = size_t(pos); i < parent->children.size(); ++i)
        parent->children[i]->pos = int(i);
    flat_.insert(flat_.begin() + at, std::move(owned));
    renumberFrom(at);
    endInsertRows();
}

void OutlineModel::RemoveItem(int row) {
    Row* r = rowAt(row);
    if (!redraw_ || !r->children.empty()) {
        // A node's rows move to the node above them: the tree is derived anew.
        if (redraw_)
            beginResetModel();
        flat_.erase(flat_.begin() + row);
        if (redraw_) {
            rebuildTree();
            endResetModel();
        }
        return;
    }
    Row* parent = r->parent;
    beginRemoveRows(parent == root_.get() ? QModelIndex() : createIndex(parent->pos, 0, parent),
                    r->pos, r->pos);
    parent->children.erase(parent->children.begin() + r->pos);
    for (size_t i = size_t(r->pos); i < parent->children.size(); ++i)
        parent->children[i]->pos = int(i);
    flat_.erase(flat_.begin() + row);
    renumberFrom(row);
    endRemoveRows();
}

void OutlineModel::setOutlineNode(int row, int level) {
    Row* r = rowAt(row);
    const int l = level < 0 ? -1 : level;
    if (r->level == l)
        return;
    r->level = l;
    structureChanged();
}

int OutlineModel::OutlineLevel(int row) const {
    return rowAt(row)->level;
}

bool OutlineModel::IsCollapsed(int row) const {
    return rowAt(row)->collapsed;
}

void OutlineModel::setCollapsed(int row, bool collapsed) {
    Row* r = rowAt(row);
    if (r->level < 0 || r->collapsed == collapsed)
        return;
    r->collapsed = collapsed;
    if (redraw_)
        emit collapsedChanged(createIndex(r->pos, 0, r), collapsed);
}

void OutlineModel::setRowToolTip(int row, const QString& text) {
    Row* r = rowAt(row);
    if (r->toolTip == text)
        return;
    r->toolTip = text;
    if (redraw_)
        emit dataChanged(createIndex(r->pos, 0, r), createIndex(r->pos, columns_ - 1, r),
                         {Qt::ToolTipRole});
}

int OutlineModel::gridRow(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return -1;
    return rowOf(index)->gridRow;
}

QModelIndex OutlineModel::indexOf(int row, int col) const {
    if (row < 0 || row >= int(flat_.size()) || col < 0 || col >= columns_)
        return {};
    Row* r = flat_[size_t(row)].get();
    return createIndex(r->pos, col, r);
}

QModelIndex OutlineModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= columns_ || (parent.isValid() && parent.column() != 0))
        return {};
    const Row* p = rowOf(parent);
    if (row < 0 || row >= int(p->children.size()))
        return {};
    return createIndex(row, column, p->children[size_t(row)]);
}

QModelIndex OutlineModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    Row* p = rowOf(child)->parent;
    if (!p || p == root_.get())
        return {};
    return createIndex(p->pos, 0, p);
}

int OutlineModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(rowOf(parent)->children.size());
}

bool OutlineModel::hasChildren(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0)
        return false;
    return !rowOf(parent)->children.empty();
}

int OutlineModel::columnCount(const QModelIndex&) const {
    return columns_;
}

QVariant OutlineModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const Row* r = rowOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return r->cells[index.column()];
    case Qt::ToolTipRole:
        return r->toolTip.isEmpty() ? QVariant() : QVariant(r->toolTip);
    default:
        return {};
    }
}

bool OutlineModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    Row* r = rowOf(index);
    setTextMatrix(r->gridRow, index.column(), value.toString());
    return true;
}

Qt::ItemFlags OutlineModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    // Only nodes hold rows. Saying so of the plain rows spares the view an expanded
    // state (a persistent index) for each of them when it opens the whole tree.
    return rowOf(index)->level < 0 ? f | Qt::ItemNeverHasChildren : f;
}

} // namespace grid
