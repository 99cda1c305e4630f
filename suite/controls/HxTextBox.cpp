#include "HxTextBox.h"

#include <QKeyEvent>
#include <QLocale>

namespace controls {

HxTextBox::HxTextBox(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(0);
}

double HxTextBox::Value() const {
    const QString t = text().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    double v = QLocale().toDouble(t, &ok);
    if (!ok)
        v = QLocale::c().toDouble(t, &ok);
    return ok ? v : 0;
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
    const QString point = QLocale().decimalPoint();
    if (aceptDecimals_ && (c == point.at(0) || c == u'.'))
        return !text().contains(point);
    return false;
}

void HxTextBox::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter)) {
        int ascii = 13;
        emit KeyPress(ascii);
        if (ascii != 0 && enterMoves_)
            focusNextChild();
        return;
    }
    if (key == Qt::Key_Up && upMoves_) {
        focusPreviousChild();
        return;
    }
    const QString t = e->text();
    if (t.size() != 1 || !t.at(0).isPrint()) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    int ascii = t.at(0).unicode();
    emit KeyPress(ascii);
    if (ascii == 0)
        return; // swallowed by the handler
    QChar c{char16_t(ascii)};
    if (upper_)
        c = c.toUpper();
    if (typeOfValues_ == 1 && aceptDecimals_ && c == u'.')
        c = QLocale().decimalPoint().at(0); // the numeric keypad's point is the decimal separator
    if (!acceptsCharacter(c))
        return;
    insert(QString(c));
}

void HxTextBox::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    emit LostFocus();
}

} // namespace controls
