#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QVector>
#include <functional>

namespace controls {

/// The lines of a list box and the item data of each, as one model: lines are added in
/// one batch (one insertion for the view, whatever their number).
class ListBoxModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void append(QStringList lines, QVector<qint32> itemData);
    void clear();
    const QString& line(int i) const { return lines_[i]; }
    qint32 itemData(int i) const { return data_[i]; }

private:
    QStringList lines_;
    QVector<qint32> data_;
};

class ListBoxFilter;

/// The standard list box the windows use: unsorted lines with a 32-bit item data each,
/// the selected line by index (-1: none), rows of one height so that long lists show at
/// once. A filter may hide lines; indices then count the lines shown.
class ListBox : public QListView {
    Q_OBJECT
public:
    explicit ListBox(QWidget* parent = nullptr);

    void AddItem(const QString& line, qint32 itemData = 0);
    /// Many lines at once: one insertion into the view.
    void AddItems(QStringList lines, QVector<qint32> itemData);
    void Clear();
    int ListCount() const;
    /// The selected line, -1 when none; setting it selects that line.
    int ListIndex() const;
    void setListIndex(int index);
    QString List(int index) const;
    qint32 ItemData(int index) const;

    /// Shows only the lines `shows` answers true for, given their place among all the
    /// lines in the order they were added; null shows every line again.
    void setFilter(std::function<bool(int line)> shows);

private:
    int lineAt(int index) const;
    ListBoxModel* model_;
    ListBoxFilter* filter_ = nullptr; // made when a filter is first set
};

} // namespace controls
