#include "Anclaje.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace controls {

Anclaje::Anclaje(QWidget* form, int formw, int formh, bool ajustarform, int resolucionancho,
                 int resolucionalto)
    : QObject(form), form_(form) {
    setObjectName(QStringLiteral("Anclaje"));
    if (ajustarform) {
        if (const QScreen* s = QGuiApplication::primaryScreen()) {
            const double sx = double(s->size().width()) / resolucionancho;
            const double sy = double(s->size().height()) / resolucionalto;
            form->resize(int(formw / 15.0 * sx), int(formh / 15.0 * sy));
        }
    }
    form->installEventFilter(this);
}

void Anclaje::capture() {
    design_ = form_->size();
    layout_.clear();
    for (QObject* o : form_->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            layout_.insert(w, w->geometry());
}

void Anclaje::apply() {
    if (design_.isEmpty() || layout_.isEmpty())
        return;
    const double sx = double(form_->width()) / design_.width();
    const double sy = double(form_->height()) / design_.height();
    for (auto it = layout_.cbegin(); it != layout_.cend(); ++it) {
        const QRect& r = it.value();
        it.key()->setGeometry(qRound(r.x() * sx), qRound(r.y() * sy), qRound(r.width() * sx),
                              qRound(r.height() * sy));
    }
}

bool Anclaje::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::Resize)
        apply();
    return QObject::eventFilter(watched, event);
}

} // namespace controls
