#include "FormBase.h"

#include "Errors.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>
#include <controls/HxTextBox.h>
#include <ui/MessageBox.h>
#include <vector>

namespace ORBTAgentes {

FormBase::FormBase(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The windows were laid out for MS Sans Serif at 8.25 points on a 96-dpi screen
    // (11 pixels). Liberation Sans has Arial's metrics, which are that font's; where it
    // is missing, DejaVu Sans Condensed is the narrowest of the common fallbacks.
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("Arial"), QStringLiteral("DejaVu Sans Condensed")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    setFont(f);
}

bool FormBase::teclasDeEdicion(QKeyEvent* e, const QWidget* aceptar, double clave,
                               const std::function<void()>& onAceptar,
                               const std::function<void()>& onCancelar) {
    switch (e->key()) {
    case Qt::Key_F9:
        if (aceptar->isEnabled())
            onAceptar();
        return true;
    case Qt::Key_F12:
        onCancelar();
        return true;
    case Qt::Key_Escape:
        if (clave > 0)
            onCancelar();
        else
            close();
        return true;
    default:
        return false;
    }
}

QWidget* FormBase::line(QWidget* parent) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

void FormBase::crearControles(std::span<const Control> layout) {
    std::vector<QWidget*> made;
    const auto named = [&](const char* name) {
        for (size_t i = 0; i < made.size(); ++i)
            if (layout[i].name && qstrcmp(layout[i].name, name) == 0)
                return made[i];
        Q_ASSERT_X(false, "crearControles", name); // a layout names only its own controls
        return static_cast<QWidget*>(this);
    };
    std::vector<std::pair<int, QWidget*>> tabs;
    for (const Control& c : layout) {
        QWidget* w = c.kind(c.in ? named(c.in) : this);
        made.push_back(w);
        if (c.name)
            w->setObjectName(QLatin1String(c.name));
        if (c.caption) {
            const QString caption = QString::fromUtf8(c.caption);
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                b->setText(caption);
            else if (auto* g = qobject_cast<QGroupBox*>(w))
                g->setTitle(caption);
            else if (auto* l = qobject_cast<QLabel*>(w))
                l->setText(caption);
        }
        if (auto* l = qobject_cast<QLabel*>(w); l && c.align)
            l->setAlignment(Qt::Alignment(c.align));
        // The suite's text box keeps its own limit, which binds typing only.
        if (auto* t = qobject_cast<controls::HxTextBox*>(w); t && c.maxLength > 0)
            t->setMaxLength(c.maxLength);
        else if (auto* e = qobject_cast<QLineEdit*>(w); e && c.maxLength > 0)
            e->setMaxLength(c.maxLength);
        place(w, c.left, c.top, c.width, c.height);
        if (c.tabIndex >= 0)
            tabs.emplace_back(c.tabIndex, w);
    }
    for (size_t i = 0; i < layout.size(); ++i)
        if (auto* l = qobject_cast<QLabel*>(made[i]); l && layout[i].buddy)
            l->setBuddy(named(layout[i].buddy));
    std::stable_sort(tabs.begin(), tabs.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (size_t i = 0; i + 1 < tabs.size(); ++i)
        setTabOrder(tabs[i].second, tabs[i + 1].second);
}

void FormBase::place(QWidget* w, int left, int top, int width, int height) {
    // The component's layouts are in twips, at 15 twips per pixel. Every control stays
    // inside its design rectangle, so none runs into its neighbour.
    const QRect r(qRound(left / 15.0), qRound(top / 15.0), qRound(width / 15.0),
                  qRound(height / 15.0));
    w->setGeometry(r);
    if (auto* label = qobject_cast<QLabel*>(w))
        fitLabel(label);
    else
        fitCaption(w);
}

QString FormBase::captionText(const QWidget* w) {
    QString text;
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        text = b->text();
    else if (const auto* g = qobject_cast<const QGroupBox*>(w))
        text = g->title();
    else if (const auto* l = qobject_cast<const QLabel*>(w))
        text = l->text();
    // A mnemonic's '&' takes no room ("&&" is one '&').
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

int FormBase::captionRoom(const QWidget* w) {
    // What is left of the control for its caption once its own parts are drawn: a check
    // box's indicator and the gap after it, a button's frame and margins.
    if (const auto* c = qobject_cast<const QCheckBox*>(w)) {
        QStyleOptionButton o;
        o.initFrom(c);
        o.text = c->text();
        return c->style()->subElementRect(QStyle::SE_CheckBoxContents, &o, c).width();
    }
    if (const auto* r = qobject_cast<const QRadioButton*>(w)) {
        QStyleOptionButton o;
        o.initFrom(r);
        o.text = r->text();
        return r->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, r).width();
    }
    if (const auto* b = qobject_cast<const QPushButton*>(w)) {
        QStyleOptionButton o;
        o.initFrom(b);
        o.text = b->text();
        return b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b).width();
    }
    if (qobject_cast<const QGroupBox*>(w))
        return w->width() - 2 * w->fontMetrics().averageCharWidth(); // the line on each side
    return w->width();
}

void FormBase::fitCaption(QWidget* w) {
    // As with labels: a caption wider than what its control leaves for it takes a smaller
    // size, down to 9 pixels; buttons and boxes are never cut short.
    const QString text = captionText(w);
    if (text.isEmpty() || !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)))
        return;
    QFont f = w->font();
    if (f.pixelSize() <= 0)
        return;
    while (QFontMetrics(f).horizontalAdvance(text) > captionRoom(w) && f.pixelSize() > 9) {
        f.setPixelSize(f.pixelSize() - 1);
        w->setFont(f);
    }
}

void FormBase::fitLabel(QLabel* label) {
    // A theme's font may be wider than the design's: a caption that does not fit first
    // takes a smaller size (down to 9 pixels), and only then is cut short with "…";
    // the whole caption stays in its tooltip and accessible name.
    const QString text = label->text();
    QFont f = label->font();
    while (QFontMetrics(f).horizontalAdvance(text) > label->width() && f.pixelSize() > 9) {
        f.setPixelSize(f.pixelSize() - 1);
        label->setFont(f);
    }
    const QFontMetrics fm(f);
    if (fm.horizontalAdvance(text) <= label->width())
        return;
    label->setToolTip(text);
    label->setAccessibleName(text);
    label->setText(fm.elidedText(text, Qt::ElideRight, label->width()));
}

void FormBase::enableKeyPreview() {
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) {
        w->installEventFilter(this);
        // Labels show names and texts from the data: a name with "<b>" is a name.
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setTextFormat(Qt::PlainText);
    }
}

bool FormBase::plainToolTip(QWidget* w, QHelpEvent* e) {
    // Tooltips carry data too (a row's rule, a caption cut short); Qt would take any of
    // them that looks like markup as markup, so each is handed over escaped.
    QString tip;
    auto* view = w->parentWidget() ? qobject_cast<QAbstractItemView*>(w->parentWidget()) : nullptr;
    if (view && view->viewport() == w) {
        const QModelIndex i = view->indexAt(e->pos());
        if (i.isValid())
            tip = i.data(Qt::ToolTipRole).toString();
    } else {
        tip = w->toolTip();
    }
    if (tip.isEmpty())
        return false;
    QToolTip::showText(e->globalPos(), Qt::convertFromPlainText(tip, Qt::WhiteSpaceNormal), w,
                       QRect(), w->toolTipDuration());
    return true;
}

bool FormBase::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && watched->isWidgetType() &&
        (watched == this || isAncestorOf(static_cast<QWidget*>(watched))) &&
        plainToolTip(static_cast<QWidget*>(watched), static_cast<QHelpEvent*>(event)))
        return true;
    // A cursor key held with Alt (the keys that move through the records) goes straight
    // on as a key press for the window to preview: no control edits with it, and the
    // focused text box would otherwise weigh it against each of its editing keys first,
    // on every repetition of a key held down.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* k = static_cast<QKeyEvent*>(event);
        if (k->modifiers() == Qt::AltModifier && k->key() >= Qt::Key_Home &&
            k->key() <= Qt::Key_PageDown) {
            event->accept();
            return true;
        }
    }
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
    if (modal != 0 && modal != 1)
        throw runtimeError(rt::InvalidCall); // before anything loads or shows
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
            throw runtimeError(rt::NonModalShownModally);
        setWindowModality(Qt::ApplicationModal);
        QPointer<FormBase> self(this);
        QEventLoop loop;
        connect(this, &FormBase::Unload, &loop, &QEventLoop::quit);
        connect(this, &FormBase::Ocultado, &loop, &QEventLoop::quit);
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

void FormBase::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (!e->spontaneous()) // minimising is not hiding
        emit Ocultado();
}

void FormBase::closeEvent(QCloseEvent* e) {
    QWidget::closeEvent(e);
    if (!e->isAccepted())
        return;
    unloaded_ = true;
    if (avisaAlCerrar())
        emit Unload();
}

} // namespace ORBTAgentes
