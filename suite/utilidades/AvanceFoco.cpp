// The focus-advance object moves the focus between widgets: it is built into the widgets
// library, while its declaration stays with the other utility objects.
#include "CodigosPostales.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace utilidades {

void AvanceFoco::Avanzar() const {
    // Tab does it, with the window's own tab order and the controls that can take it.
    if (QWidget* w = QApplication::focusWidget()) {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(w, &tab);
    }
}

} // namespace utilidades
