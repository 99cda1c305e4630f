#pragma once

#include <QLineEdit>

namespace controls {

/// The character code a key press hands to a KeyPress notification, as the suite's
/// controls give it: printable characters, Enter (13), Backspace (8), Esc (27) and the
/// other control characters (Ctrl+A is 1); 0 for keys that type nothing (arrows, F keys,
/// Tab).
int keyAscii(const QKeyEvent* e);

/// The suite's text field. Settings as the windows store them: `maxlength`,
/// `typeofvalues` (1: numeric; only digits, a leading minus and, with `aceptdecimals`,
/// one decimal separator can be typed), `alignment` (1: right), `passwordchar`,
/// `converttoupper`, `keyenterchangefocus` / `keyupchangefocus` (Enter / Up move the
/// focus to the next / previous control), `backcolor`, `forecolor`.
///
/// Every typed character is first offered to the KeyPress notification, whose handler
/// may replace it or swallow it (set it to 0): printable characters, Enter (13),
/// Backspace (8), Esc (27) and the other control characters. After Enter the focus
/// moves on only when the handler left it here. LostFocus tells that the focus moved to
/// another control of the same window (not to a context menu or another window).
///
/// `maxlength` limits what the user types, pastes or drops: what does not fit is left
/// out. Text the program writes is kept whole, however long (a record stored by another
/// program shows and saves as it is).
class HxTextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit HxTextBox(QWidget* parent = nullptr);

    QString Text() const { return text(); }
    /// Writes the text; the same text again changes nothing (a window that shows the
    /// next record rewrites only the fields that differ).
    void setTextValue(const QString& t) {
        if (t != text())
            setText(t);
    }
    /// The numeric value of the text; an empty (or non-numeric) field reads 0.
    double Value() const;

    /// 0 (or less): no limit of its own.
    void setMaxLength(int n) { maxLength_ = n > 0 ? n : 0; }
    int maxLength() const { return maxLength_; }
    void setTypeOfValues(int t) { typeOfValues_ = t; }
    int typeOfValues() const { return typeOfValues_; }
    void setAceptDecimals(bool on) { aceptDecimals_ = on; }
    void setRightAligned(bool on) {
        setAlignment(on ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    }
    void setPasswordChar(QChar c);
    void setConvertToUpper(bool on) { upper_ = on; }
    void setKeyEnterChangeFocus(bool on) { enterMoves_ = on; }
    void setKeyUpChangeFocus(bool on) { upMoves_ = on; }
    void setBackColor(const QColor& c);
    void setForeColor(const QColor& c);

signals:
    /// A character is about to be typed; set `keyAscii` to another code or to 0.
    void KeyPress(int& keyAscii);
    void LostFocus();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    friend class UserInputLimit;
    /// Runs `edit` as the user's: what it adds beyond `maxlength` is cut.
    template <typename F> void asUserEdit(F&& edit) {
        const bool was = userEditing_;
        userEditing_ = true;
        edit();
        userEditing_ = was;
    }
    bool acceptsCharacter(QChar c) const;
    int maxLength_ = 0;
    bool userEditing_ = false;
    QString shown_; // the text as it stood after the last change
    int typeOfValues_ = 0;
    bool aceptDecimals_ = false;
    bool upper_ = false;
    bool enterMoves_ = true;
    bool upMoves_ = true;
};

} // namespace controls
