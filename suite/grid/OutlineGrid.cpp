#include "OutlineGrid.h"

#include "controls/HxTextBox.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStyledItemDelegate>
#include <QTimer>
#include <utility>

namespace grid {

namespace {

// A cell shows the text stored in it, whatever the locale of the view or of the
// process at the time it is painted (the text was formatted when it was stored); a
// control character in it (a NUL, a line break, a tab) shows as a blank rather than
// as a box glyph or a broken line. The stored text stays as it is.
class TextoDeCelda : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale&) const override {
        QString t = value.toString();
        for (QChar& c : t)
            if (c.category() == QChar::Other_Control)
                c = u' ';
        return t;
    }
};

} // namespace

OutlineGrid::OutlineGrid(int columns, QWidget* parent)
    : QTreeView(parent), model_(new OutlineModel(columns, this)) {
    setModel(model_);
    setItemDelegate(new TextoDeCelda(this));
    header()->hide();
    header()->setStretchLastSection(false);
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // the grid runs its own editor
    setExpandsOnDoubleClick(false);                     // a double click is the host's
    setItemsExpandable(true);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (model_->Redraw())
            model_->setCollapsed(model_->gridRow(i), false);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (model_->Redraw())
            model_->setCollapsed(model_->gridRow(i), true);
        // The current cell must stay where the user sees it: from a row folded away
        // it goes to the node that hides it.
        for (QModelIndex p = currentIndex().parent(); p.isValid(); p = p.parent())
            if (p == i.siblingAtColumn(0)) {
                setCurrentIndex(i.siblingAtColumn(currentIndex().column()));
                break;
            }
    });
    connect(model_, &OutlineModel::collapsedChanged, this,
            [this](const QModelIndex& i, bool c) { setExpanded(i, !c); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        closeEditorWidget();
        applyFolds();
    });
}

// After a reset the view knows no fold state: nodes open, except those folded before.
void OutlineGrid::applyFolds() {
    const QSignalBlocker quiet(this);
    expandAll();
    for (int r = 0; r < model_->Rows(); ++r)
        if (model_->OutlineLevel(r) >= 0 && model_->IsCollapsed(r))
            setExpanded(model_->indexOf(r, 0), false);
}

int OutlineGrid::Row() const {
    return model_->gridRow(currentIndex());
}

void OutlineGrid::setRow(int row) {
    const int col = Col();
    setCurrentIndex(model_->indexOf(row, col < 0 ? treePosition() : col));
}

int OutlineGrid::Col() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : -1;
}

void OutlineGrid::setCol(int col) {
    const int row = Row();
    if (row >= 0 && col != Col())
        setCurrentIndex(model_->indexOf(row, col));
}

void OutlineGrid::setColWidth(int col, int twips) {
    setColumnHidden(col, twips <= 0);
    if (twips > 0)
        setColumnWidth(col, qRound(twips / 15.0));
    for (int c = 0; c < model_->columnCount(); ++c)
        if (!isColumnHidden(c)) {
            setTreePosition(c);
            break;
        }
}

void OutlineGrid::setExtendLastCol(bool on) {
    header()->setStretchLastSection(on);
}

void OutlineGrid::setEditable(bool on) {
    editable_ = on;
    if (!on)
        closeEditorWidget();
}

QString OutlineGrid::EditText() const {
    return editor_ ? editor_->text() : QString();
}

void OutlineGrid::setEditText(const QString& text) {
    if (editor_)
        editor_->setText(text);
}

void OutlineGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (current.isValid())
        emit RowColChange();
}

bool OutlineGrid::holdForEditor() {
    if (!editor_)
        return false;
    if (!editor_->hasFocus())
        editor_->setFocus();
    return true;
}

void OutlineGrid::keyPressEvent(QKeyEvent* e) {
    // A key the editor leaves (Page Down, say) comes up here: it does not move the cell.
    if (holdForEditor()) {
        e->accept();
        return;
    }
    const QModelIndex cur = currentIndex();
    if (editable_ && cur.isValid() && !editor_) {
        if (e->key() == Qt::Key_F2 || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            startEdit(model_->TextMatrix(Row(), Col()), true);
            return;
        }
        const int ascii = controls::keyAscii(e);
        if (ascii >= 32) {
            // As the grid does: the editor opens on the cell's text, all selected, and
            // the typed character is then handled as if typed into it.
            startEdit(model_->TextMatrix(Row(), Col()), true);
            QApplication::sendEvent(editor_, e);
            return;
        }
    }
    QTreeView::keyPressEvent(e);
}

void OutlineGrid::mousePressEvent(QMouseEvent* e) {
    // The press took the focus from the editor, which confirmed it then; an edit still
    // open was refused, and the click goes no further.
    pressHeld_ = holdForEditor();
    if (pressHeld_) {
        e->accept();
        return;
    }
    QTreeView::mousePressEvent(e);
}

void OutlineGrid::mouseMoveEvent(QMouseEvent* e) {
    if (pressHeld_ || editor_) {
        e->accept();
        return;
    }
    QTreeView::mouseMoveEvent(e);
}

void OutlineGrid::mouseReleaseEvent(QMouseEvent* e) {
    if (std::exchange(pressHeld_, false)) {
        e->accept();
        return;
    }
    QTreeView::mouseReleaseEvent(e);
    if (indexAt(e->position().toPoint()).isValid())
        emit Click();
}

void OutlineGrid::mouseDoubleClickEvent(QMouseEvent* e) {
    pressHeld_ = holdForEditor();
    if (pressHeld_) {
        e->accept();
        return;
    }
    QTreeView::mouseDoubleClickEvent(e);
    if (indexAt(e->position().toPoint()).isValid())
        emit DblClick();
}

void OutlineGrid::startEdit(const QString& initial, bool selectAll) {
    const QModelIndex cur = currentIndex();
    scrollTo(cur);
    editing_ = cur;
    editor_ = new QLineEdit(viewport());
    editor_->setObjectName(QStringLiteral("editor"));
    editor_->setFrame(false);
    editor_->setText(initial);
    if (selectAll)
        editor_->selectAll();
    editor_->setGeometry(visualRect(cur));
    editor_->installEventFilter(this);
    editor_->show();
    editor_->setFocus();
}

bool OutlineGrid::finishEdit() {
    if (!editor_ || validating_)
        return false;
    const int row = model_->gridRow(editing_);
    const int col = editing_.column();
    bool cancel = false;
    {
        const QScopedValueRollback<bool> busy(validating_, true);
        emit ValidateEdit(row, col, cancel);
    }
    if (cancel || !editor_)
        return false;
    const QString text = editor_->text();
    closeEditorWidget();
    model_->setTextMatrix(row, col, text);
    emit AfterEdit(row, col);
    return true;
}

void OutlineGrid::closeEditorWidget() {
    if (!editor_)
        return;
    QLineEdit* e = editor_;
    editor_ = nullptr;
    editing_ = QPersistentModelIndex();
    const bool hadFocus = e->hasFocus();
    e->removeEventFilter(this);
    e->hide();
    e->deleteLater();
    if (hadFocus)
        setFocus();
}

bool OutlineGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched != editor_ || !editor_)
        return QTreeView::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // Leaving the editor confirms it, unless a message of the validation took the
        // focus: the editor then waits for the user. A refused text keeps the focus
        // (once the click that took it is over), until it is corrected or abandoned;
        // another window or a popup taking the focus leaves it be.
        if (!validating_ && !QApplication::activeModalWidget() && !finishEdit() && editor_) {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(event)->reason();
            if (why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason) {
                QLineEdit* e = editor_;
                QTimer::singleShot(0, e, [this, e] {
                    if (editor_ == e && isVisible())
                        e->setFocus();
                });
            }
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* e = static_cast<QKeyEvent*>(event);
    const int row = model_->gridRow(editing_);
    const int col = editing_.column();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        finishEdit();
        return true;
    case Qt::Key_Escape:
        closeEditorWidget();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (finishEdit())
            QApplication::sendEvent(this, e); // and move, as the grid does
        return true;
    default:
        break;
    }
    const int original = controls::keyAscii(e);
    if (original == 0)
        return false;
    int ascii = original;
    emit KeyPressEdit(row, col, ascii);
    if (ascii == original)
        return false;
    if (ascii != 0 && editor_)
        editor_->insert(QString(QChar(char16_t(ascii))));
    return true;
}

} // namespace grid
