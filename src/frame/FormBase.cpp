#include "FormBase.h"

#include "Errors.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <ui/MessageBox.h>

namespace ORBTAgentes {

FormBase::FormBase(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The windows were laid out for MS Sans Serif at 8.25 points on a 96-dpi screen.
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    setFont(f);
}

void FormBase::place(QWidget* w, int left, int top, int width, int height) {
    // The component's layouts are in twips, at 15 twips per pixel. A label keeps at
    // least the width of its text: the fonts here are wider than the design's.
    int px = qRound(width / 15.0);
    if (auto* label = qobject_cast<QLabel*>(w))
        px = qMax(px, label->sizeHint().width());
    w->setGeometry(qRound(left / 15.0), qRound(top / 15.0), px, qRound(height / 15.0));
}

void FormBase::enableKeyPreview() {
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool FormBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        (watched == this || isAncestorOf(static_cast<QWidget*>(watched)))) {
        // A key whose handler failed is taken: it must not reach the control, nor the
        // window again on its way up.
        bool handled = true;
        guarded([&] { handled = keyPreview(static_cast<QKeyEvent*>(event)); });
        if (handled)
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

void FormBase::guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const AutomationError& e) {
        ui::ShowFailure(e.description(), e.number(), e.source(), windowTitle());
    } catch (const std::exception& e) {
        ui::MsgBox(QString::fromLocal8Bit(e.what()), ui::vbCritical, windowTitle());
    }
}

void FormBase::Mostrar(qint16 modal, QWidget* owner) {
    if (!loaded_) {
        loaded_ = true;
        Form_Load();
        enableKeyPreview();
        if (const QScreen* s = QGuiApplication::primaryScreen())
            move(s->availableGeometry().center() - rect().center());
    }
    if (owner && parentWidget() != owner) {
        const Qt::WindowFlags flags = windowFlags();
        setParent(owner, flags);
    }
    if (modal == 1) {
        if (isVisible() && !isModal())
            throw AutomationError(401, QStringLiteral("ORBTAgentes"),
                                  QStringLiteral("Can't show non-modal form modally"));
        setWindowModality(Qt::ApplicationModal);
        QPointer<FormBase> self(this);
        QEventLoop loop;
        connect(this, &FormBase::Unload, &loop, &QEventLoop::quit);
        show();
        raise();
        activateWindow();
        loop.exec();
        if (self)
            setWindowModality(Qt::NonModal);
        return;
    }
    show();
    raise();
    activateWindow();
}

void FormBase::closeEvent(QCloseEvent* e) {
    QWidget::closeEvent(e);
    if (e->isAccepted())
        emit Unload();
}

} // namespace ORBTAgentes
