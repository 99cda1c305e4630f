#include "Selector.h"

#include "utilidades/Regional.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace controls {

/// The rows, with each row's folded text kept beside it so that filtering a long list
/// folds only what the user types.
class SelectorModel : public QAbstractTableModel {
public:
    explicit SelectorModel(QStringList headers, QObject* parent)
        : QAbstractTableModel(parent), headers_(std::move(headers)) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(headers_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (role == Qt::TextAlignmentRole) // amounts and numbers line up on the right
            return index.column() > 0 && esImporte(rows_[index.row()].value(index.column()))
                       ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                       : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        return rows_[index.row()].value(index.column());
    }
    static bool esImporte(const QString& cell) {
        static const QRegularExpression numero(QStringLiteral("^-?[0-9]+([.,][0-9]+)?$"));
        return numero.match(cell).hasMatch();
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role == Qt::DisplayRole && o == Qt::Horizontal)
            return headers_.value(section);
        return {};
    }
    // Rows are added while the dialog is being filled and shown at once by publish(): one
    // reset instead of a signal per row.
    void add(const QStringList& cells) { pending_.append(cells); }
    void publish() {
        beginResetModel();
        for (QStringList& cells : pending_) {
            folded_.append(utilidades::plegado(cells.join(u'\t')));
            rows_.append(std::move(cells));
        }
        pending_.clear();
        endResetModel();
    }
    bool contains(int row, const QString& foldedNeedle) const {
        return folded_[row].contains(foldedNeedle);
    }

private:
    QStringList headers_;
    QVector<QStringList> rows_, pending_;
    QStringList folded_;
};

namespace {

class Filter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void setNeedle(const QString& text) {
        needle_ = utilidades::plegado(text.trimmed());
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        return needle_.isEmpty() ||
               static_cast<const SelectorModel*>(sourceModel())->contains(row, needle_);
    }

private:
    QString needle_;
};

} // namespace

Selector::Selector(QWidget* parent, const QString& name, const QString& title,
                   const QStringList& headers, const QString& hint)
    : QDialog(parent), model_(new SelectorModel(headers, this)) {
    setObjectName(name);
    setWindowTitle(title);
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("txtFiltro"));
    filter_->setPlaceholderText(hint);
    auto* filter = new Filter(this);
    proxy_ = filter;
    proxy_->setSourceModel(model_);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("lstSeleccion"));
    table_->setModel(proxy_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setVisible(headers.size() > 1);
    table_->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(table_);
    resize(headers.size() > 1 ? 560 : 420, 460);
    connect(filter_, &QLineEdit::textChanged, this, [this, filter](const QString& t) {
        filter->setNeedle(t);
        table_->setCurrentIndex(proxy_->index(0, 0));
    });
    connect(table_, &QTableView::activated, this, [this] {
        if (current() >= 0)
            accept();
    });
    filter_->installEventFilter(this);
}

Selector::~Selector() = default;

void Selector::addRow(const QStringList& cells) {
    model_->add(cells);
}

int Selector::pick() {
    model_->publish();
    table_->resizeColumnsToContents();
    // A long text is cut rather than pushing the other columns out of sight.
    for (int c = 0; c + 1 < model_->columnCount(); ++c)
        table_->setColumnWidth(c, std::min(table_->columnWidth(c), 260));
    table_->setCurrentIndex(proxy_->index(0, 0));
    filter_->setFocus();
    return exec() == QDialog::Accepted ? current() : -1;
}

int Selector::current() const {
    const QModelIndex i = table_->currentIndex();
    return i.isValid() ? proxy_->mapToSource(i).row() : -1;
}

bool Selector::eventFilter(QObject* watched, QEvent* event) {
    if (watched == filter_ && event->type() == QEvent::KeyPress) {
        auto* e = static_cast<QKeyEvent*>(event);
        switch (e->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(table_, e);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (current() >= 0)
                accept();
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace controls
