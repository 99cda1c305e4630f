#include "HxMaskEdBox.h"

namespace controls {

HxMaskEdBox::HxMaskEdBox(QWidget* parent) : QLineEdit(parent) {}

void HxMaskEdBox::setMask(const QString& mask, QChar promptChar) {
    mask_ = mask;
    // '#' is a digit that may be left out ('9' in Qt's masks); anything else is a
    // literal, escaped so that Qt does not read it as a mask character of its own.
    QString qt;
    for (QChar c : mask) {
        if (c == u'#')
            qt += u'9';
        else if (QStringLiteral("AaNnXx90Dd#HhBb><!\\[]{}").contains(c))
            qt += u'\\' + QString(c);
        else
            qt += c;
    }
    setInputMask(qt + u';' + promptChar);
    setMaxLength(int(mask.size()));
}

QString HxMaskEdBox::Text() const {
    return text(); // Qt leaves the untyped positions out and keeps the literals
}

void HxMaskEdBox::setTextValue(const QString& text) {
    if (text != this->text())
        setText(text);
}

void HxMaskEdBox::setEnabledMask(bool on) {
    enabledMask_ = on;
    setReadOnly(!on);
}

} // namespace controls
