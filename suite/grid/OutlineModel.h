#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <memory>
#include <vector>

namespace grid {

/// The rows of the outline grid, as an item model. The grid addresses rows by their
/// place in the whole tree, folded or not (row 0 is the first row, a node's rows follow
/// it); the model keeps them in that order and derives the tree from it:
/// - a node row of outline level L belongs to the nearest node above it with a lower
///   level (or to the top);
/// - a plain row belongs to the nearest node above it.
///
/// While redrawing is off, rows may be added, removed and marked as nodes at no cost
/// but their own: the view is told once, when redrawing is switched on again (a model
/// reset), so thousands of rows arrive in one batch.
class OutlineModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit OutlineModel(int columns, QObject* parent = nullptr);
    ~OutlineModel() override;

    // The grid's own interface, rows in grid order.
    int Rows() const { return int(flat_.size()); }
    /// Removes every row.
    void Clear();
    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString& text);
    /// Inserts a plain row at `row` (at the end when -1) from tab-separated cell texts.
    void AddItem(const QString& tabText, int row = -1);
    /// The same from the cell texts themselves (missing cells are empty).
    void AddItem(QStringList cells, int row = -1);
    void RemoveItem(int row);
    /// Marks a row as a node of an outline level (0, 1, 2, ...) or, with -1, as a plain row.
    void setOutlineNode(int row, int level);
    int OutlineLevel(int row) const; // -1: a plain row
    bool IsCollapsed(int row) const;
    void setCollapsed(int row, bool collapsed);
    void setRowToolTip(int row, const QString& text);
    void setRedraw(bool on);
    bool Redraw() const { return redraw_; }

    /// The grid row of an index of this model (-1 for none), and the index of a row.
    int gridRow(const QModelIndex& index) const;
    QModelIndex indexOf(int row, int col) const;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    /// A node's fold state changed through the model (the view follows it).
    void collapsedChanged(const QModelIndex& index, bool collapsed);

private:
    struct Row;
    Row* rowAt(int row) const;
    Row* rowOf(const QModelIndex& index) const;
    void renumberFrom(int first);
    void rebuildTree();
    void structureChanged(); // a change the incremental signals do not cover: a reset

    const int columns_;
    std::unique_ptr<Row> root_;
    std::vector<std::unique_ptr<Row>> flat_; // grid order; owns the rows
    bool redraw_ = true;
};

} // namespace grid
