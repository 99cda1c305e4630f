#pragma once

#include <QDialog>
#include <QStringList>
#include <QVector>

class QLineEdit;
class QTableView;
class QSortFilterProxyModel;

namespace controls {

class SelectorModel;

/// The suite's pick list: a filter field above a table of rows, for the selectors that let
/// the user choose one thing out of many (an article, an invoice of a series). Typing in
/// the filter keeps the rows whose cells contain it (case and accents ignored: "alvaro"
/// finds "Álvaro"); the arrows and the page keys move through the rows while the filter
/// keeps the focus; Enter or a double click picks the current row, Esc cancels. Rows are
/// shown in the order they were added and every cell is plain text.
class Selector : public QDialog {
    Q_OBJECT
public:
    /// `name` is the dialog's object name, `headers` the column titles (one column: no
    /// header line), `hint` the filter's placeholder.
    Selector(QWidget* parent, const QString& name, const QString& title, const QStringList& headers,
             const QString& hint);
    ~Selector() override;

    void addRow(const QStringList& cells);
    /// Shows the dialog; the index (in the order of addRow) of the picked row, -1 when
    /// the user cancelled or no row was current.
    int pick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int current() const;

    SelectorModel* model_;
    QSortFilterProxyModel* proxy_;
    QLineEdit* filter_;
    QTableView* table_;
};

} // namespace controls
