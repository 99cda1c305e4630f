#include "ListBox.h"

#include <QSortFilterProxyModel>

namespace controls {

// The lines a filter lets through, over the list's own model.
class ListBoxFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setShows(std::function<bool(int)> shows) {
        shows_ = std::move(shows);
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return !shows_ || shows_(row);
    }

private:
    std::function<bool(int)> shows_;
};

int ListBoxModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(lines_.size());
}

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= lines_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return lines_[index.row()];
    if (role == Qt::UserRole)
        return data_[index.row()];
    return {};
}

void ListBoxModel::append(QStringList lines, QVector<qint32> itemData) {
    if (lines.isEmpty())
        return;
    if (itemData.size() != lines.size()) // resizing data shared with the caller copies it
        itemData.resize(lines.size());
    const int first = int(lines_.size());
    beginInsertRows({}, first, first + int(lines.size()) - 1);
    if (lines_.isEmpty()) { // the usual case: the whole list in one batch, taken as is
        lines_ = std::move(lines);
        data_ = std::move(itemData);
    } else {
        lines_ += std::move(lines);
        data_ += std::move(itemData);
    }
    endInsertRows();
}

void ListBoxModel::clear() {
    beginResetModel();
    lines_.clear();
    data_.clear();
    endResetModel();
}

ListBox::ListBox(QWidget* parent) : QListView(parent), model_(new ListBoxModel(this)) {
    setModel(model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void ListBox::AddItem(const QString& line, qint32 itemData) {
    model_->append({line}, {itemData});
}

void ListBox::AddItems(QStringList lines, QVector<qint32> itemData) {
    model_->append(std::move(lines), std::move(itemData));
}

void ListBox::Clear() {
    model_->clear();
}

int ListBox::ListCount() const {
    return model()->rowCount();
}

int ListBox::ListIndex() const {
    const QModelIndexList sel = selectionModel()->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

void ListBox::setListIndex(int index) {
    if (index < 0 || index >= ListCount()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex i = model()->index(index, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
    if (index > 0) // the first line is in view already; scrolling would lay out every row
        scrollTo(i);
}

QString ListBox::List(int index) const {
    return model_->line(lineAt(index));
}

qint32 ListBox::ItemData(int index) const {
    return model_->itemData(lineAt(index));
}

int ListBox::lineAt(int index) const {
    return filter_ ? filter_->mapToSource(filter_->index(index, 0)).row() : index;
}

void ListBox::setFilter(std::function<bool(int line)> shows) {
    if (!filter_) {
        // Only a list that is filtered pays for the mapping.
        filter_ = new ListBoxFilter(this);
        filter_->setSourceModel(model_);
        setModel(filter_);
    }
    filter_->setShows(std::move(shows));
}

} // namespace controls
