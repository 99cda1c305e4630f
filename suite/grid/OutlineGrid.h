#pragma once

#include "OutlineModel.h"

#include <QTreeView>

class QLineEdit;

namespace grid {

/// The suite's outline grid: rows addressed by their place in the whole tree, cells as
/// text, nodes that fold, no header row, and a cell editor with the grid's three
/// notifications. Columns have widths in twips; a width of 0 hides the column. The
/// tree is drawn in the first visible column.
///
/// Editing (when Editable): typing a character on the current cell opens the editor
/// with that character, F2 or Enter opens it with the cell's text. Enter or Tab (or
/// leaving the editor) confirms: ValidateEdit may refuse, and the editor then stays open;
/// an accepted text is written into the cell and AfterEdit follows. Esc abandons the edit.
///
/// While the editor is open the current cell stays where the edit began: clicks, drags
/// and keys that would move it are held back until the edit is confirmed or abandoned,
/// and an editor whose text was refused takes the focus back when it loses it. So the
/// notifications of an edit always concern the current row.
///
/// Folding a node whose rows hold the current cell makes the node current.
///
/// A cell shows the text stored in it, never reformatted for a locale; control
/// characters in it show as blanks (the stored text keeps them).
class OutlineGrid : public QTreeView {
    Q_OBJECT
public:
    explicit OutlineGrid(int columns, QWidget* parent = nullptr);

    OutlineModel* grid() const { return model_; }

    int Rows() const { return model_->Rows(); }
    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);
    QString TextMatrix(int row, int col) const { return model_->TextMatrix(row, col); }
    void setTextMatrix(int row, int col, const QString& t) { model_->setTextMatrix(row, col, t); }
    void AddItem(const QString& tabText, int row = -1) { model_->AddItem(tabText, row); }
    void AddItem(QStringList cells, int row = -1) { model_->AddItem(std::move(cells), row); }
    void RemoveItem(int row) { model_->RemoveItem(row); }
    void setOutlineNode(int row, int level) { model_->setOutlineNode(row, level); }
    bool IsCollapsed(int row) const { return model_->IsCollapsed(row); }
    void setCollapsed(int row, bool collapsed) { model_->setCollapsed(row, collapsed); }
    void setRedraw(bool on) { model_->setRedraw(on); }
    void Clear() { model_->Clear(); }
    /// Sets a column's width in twips (15 per pixel); 0 hides it.
    void setColWidth(int col, int twips);
    void setEditable(bool on);
    /// The last visible column takes the width the others leave.
    void setExtendLastCol(bool on);
    bool Editable() const { return editable_; }
    /// The text in the open cell editor (empty when none is open).
    QString EditText() const;
    void setEditText(const QString& text);
    QLineEdit* editor() const { return editor_; }
    /// Closes the cell editor without writing its text (also from ValidateEdit).
    void CancelEdit() { closeEditorWidget(); }

signals:
    /// The current cell changed (by mouse, keyboard or program).
    void RowColChange();
    void Click();
    void DblClick();
    /// A character typed in the cell editor; set `keyAscii` to 0 to discard it.
    void KeyPressEdit(int row, int col, int& keyAscii);
    /// The editor is being confirmed; set `cancel` to keep it open.
    void ValidateEdit(int row, int col, bool& cancel);
    /// The editor's text was written into the cell.
    void AfterEdit(int row, int col);

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void startEdit(const QString& initial, bool selectAll);
    bool finishEdit(); // false: refused, the editor stays
    void closeEditorWidget();
    void applyFolds();
    bool holdForEditor(); // true: an edit is open, the mouse or key must not move the cell

    OutlineModel* model_;
    QLineEdit* editor_ = nullptr;
    QPersistentModelIndex editing_;
    bool editable_ = false;
    bool validating_ = false;
    bool pressHeld_ = false; // the last press was held back by an open editor
};

} // namespace grid
