#include "HxTextBox.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QValidator>
#include <utilidades/Regional.h>

namespace controls {

// Cuts what a user's edit adds beyond the box's limit. The line edit itself has no
// limit, because its own would also cut the text the program writes.
class UserInputLimit : public QValidator {
public:
    explicit UserInputLimit(HxTextBox* box) : QValidator(box), box_(box) {}

    State validate(QString& input, int& pos) const override {
        const int limit = box_->maxLength_;
        const QString& before = box_->shown_;
        if (!box_->userEditing_ || limit == 0 || input.size() <= limit ||
            input.size() <= before.size())
            return Acceptable;
        // The edit replaced before[prefix, before.size() - suffix) with the added text.
        const qsizetype common = std::min(before.size(), input.size());
        qsizetype prefix = 0;
        while (prefix < common && before.at(prefix) == input.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < common - prefix &&
               before.at(before.size() - 1 - suffix) == input.at(input.size() - 1 - suffix))
            ++suffix;
        const qsizetype added = input.size() - prefix - suffix;
        const qsizetype rest = input.size() - added;
        // Text longer than the limit that the program wrote may still be edited without
        // growing.
        const qsizetype room = std::max({qsizetype(0), limit - rest, before.size() - rest});
        const qsizetype kept = std::min(room, added);
        input = input.left(prefix + kept) + input.right(suffix);
        pos = int(prefix + kept);
        return Acceptable;
    }

private:
    HxTextBox* box_;
};

HxTextBox::HxTextBox(QWidget* parent) : QLineEdit(parent) {
    QLineEdit::setMaxLength(32767);
    setValidator(new UserInputLimit(this));
    connect(this, &QLineEdit::textChanged, this, [this](const QString& t) { shown_ = t; });
}

double HxTextBox::Value() const {
    double v = 0;
    return utilidades::parseNumber(text(), v) ? v : 0;
}

void HxTextBox::setPasswordChar(QChar c) {
    setEchoMode(c.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void HxTextBox::setBackColor(const QColor& c) {
    QPalette p = palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Disabled, QPalette::Base, c);
    setPalette(p);
}

void HxTextBox::setForeColor(const QColor& c) {
    QPalette p = palette();
    p.setColor(QPalette::Text, c);
    setPalette(p);
}

bool HxTextBox::acceptsCharacter(QChar c) const {
    if (typeOfValues_ != 1)
        return true;
    if (c.isDigit())
        return true;
    if (c == u'-')
        return cursorPosition() == 0 && !text().contains(u'-');
    const QString point = utilidades::regional().decimalPoint();
    if (aceptDecimals_ && (c == point.at(0) || c == u'.'))
        return !text().contains(point);
    return false;
}

int keyAscii(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0;
    default:
        break;
    }
    // Ctrl with a letter is its control character (Ctrl+A is 1), whatever text the
    // platform attached to the key.
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (mods == Qt::ControlModifier && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
        return e->key() - Qt::Key_A + 1;
    const QString t = e->text();
    if (t.size() != 1)
        return 0;
    const char16_t c = t.at(0).unicode();
    return (c < 32 || t.at(0).isPrint()) ? int(c) : 0;
}

void HxTextBox::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Up && upMoves_) {
        focusPreviousChild();
        return;
    }
    const int original = keyAscii(e);
    if (original == 0) {
        asUserEdit([&] { QLineEdit::keyPressEvent(e); }); // Shift+Insert pastes
        return;
    }
    int ascii = original;
    QWidget* const focusBefore = QApplication::focusWidget();
    emit KeyPress(ascii);
    if (ascii == 0)
        return; // swallowed by the handler
    if (ascii == 13) {
        // A handler that moved the focus itself has decided where it goes.
        if (enterMoves_ && QApplication::focusWidget() == focusBefore && hasFocus())
            focusNextChild();
        return;
    }
    if (ascii < 32) {
        // A control character: its key does what it does in a line edit (Backspace
        // deletes, Ctrl+A selects); one the handler changed to another does nothing.
        if (ascii == original)
            asUserEdit([&] { QLineEdit::keyPressEvent(e); });
        else
            e->ignore();
        return;
    }
    QChar c{char16_t(ascii)};
    if (upper_)
        c = c.toUpper();
    if (typeOfValues_ == 1 && aceptDecimals_ && c == u'.')
        c = utilidades::regional().decimalPoint().at(0); // the keypad's point is the separator
    if (!acceptsCharacter(c))
        return;
    asUserEdit([&] { insert(QString(c)); });
}

void HxTextBox::inputMethodEvent(QInputMethodEvent* e) {
    asUserEdit([&] { QLineEdit::inputMethodEvent(e); });
}

void HxTextBox::dropEvent(QDropEvent* e) {
    asUserEdit([&] { QLineEdit::dropEvent(e); });
}

void HxTextBox::mouseReleaseEvent(QMouseEvent* e) {
    asUserEdit([&] { QLineEdit::mouseReleaseEvent(e); }); // the middle button pastes
}

void HxTextBox::contextMenuEvent(QContextMenuEvent* e) {
    // The menu runs here, so that its Paste is the user's edit too.
    if (QMenu* menu = createStandardContextMenu()) {
        asUserEdit([&] { menu->exec(e->globalPos()); });
        delete menu;
    }
}

void HxTextBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    // The focus has left only when another control of the same window has it: a context
    // menu, another window coming to the front or the window closing take it for a while
    // and give it back (or never), and the box has not been left.
    if (e->reason() == Qt::PopupFocusReason || e->reason() == Qt::ActiveWindowFocusReason)
        return;
    const QWidget* next = QApplication::focusWidget();
    if (!next || next == this || next->window() != window() || !window()->isVisible())
        return;
    emit LostFocus();
}

} // namespace controls
