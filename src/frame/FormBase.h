#pragma once

#include <QWidget>
#include <functional>
#include <span>

class QHelpEvent;
class QKeyEvent;
class QLabel;

namespace ORBTAgentes {

/// Base of the component's windows: raises Unload as the last step of closing, sees the
/// keys before the focused control (keyPreview), shows itself modal or modeless, and
/// runs event handlers through one guard that reports a failure to the user and keeps
/// the window usable.
class FormBase : public QWidget {
    Q_OBJECT
public:
    explicit FormBase(QWidget* parent = nullptr);

    /// Shows the window: modal (1) runs until the window is closed or hidden (a dialog
    /// that hides itself hands its answers to the opener, who unloads it); modeless (0) returns
    /// at once; any other value fails with runtime error 5. `owner`: the host window
    /// that owns it. The first show loads the window.
    void Mostrar(qint16 modal, QWidget* owner);
    /// Whether the window has closed (unloaded), with or without its Unload.
    bool isUnloaded() const { return unloaded_; }

signals:
    /// The window has closed; raised as the very last step of closing.
    void Unload();
    /// The window was hidden (closing hides it too): a modal display ends then.
    void Ocultado();

public:
    /// One control of a window's layout. Positions are in twips (15 to the pixel) inside
    /// its container: the window, or the control named by `in`.
    struct Control {
        /// The control's kind: makes one inside `parent`.
        using Kind = QWidget* (*)(QWidget* parent);
        /// Its object name; null for a label that nothing refers to by name.
        const char* name;
        Kind kind;
        int left, top, width, height;
        /// The caption of a label, button, check box or frame (UTF-8); null: none.
        const char* caption = nullptr;
        /// The most characters a text box takes; 0: its own limit.
        int maxLength = 0;
        /// Its place in the Tab order; -1: none of its own.
        int tabIndex = -1;
        /// The container it sits in; null: the window.
        const char* in = nullptr;
        /// The control a label names (its buddy); null: none.
        const char* buddy = nullptr;
        /// A label's alignment; 0: the default.
        int align = 0;
    };
    /// The kind of a control made by its one-argument constructor.
    template <class W> static QWidget* kind(QWidget* parent) { return new W(parent); }
    /// A sunken horizontal line.
    static QWidget* line(QWidget* parent);

protected:
    /// Makes the window's controls from its layout, in the order given: each named,
    /// placed, captioned and limited as listed; then the labels' buddies and the Tab
    /// order.
    void crearControles(std::span<const Control> layout);
    /// A control this window made, by name (of the kind its layout gives it).
    template <class W> W* control(const char* name) const {
        return findChild<W*>(QLatin1String(name));
    }

    /// Called once, before the window is first shown.
    virtual void Form_Load() {}
    /// A key pressed anywhere in the window, before the focused control sees it;
    /// answer true to keep it from the control.
    virtual bool keyPreview(QKeyEvent*) { return false; }
    /// Whether this closing raises Unload; a window whose closing paths differ answers
    /// for the closing under way. A window closed without it stays held by its window
    /// class, which loads a fresh one on the next Show.
    virtual bool avisaAlCerrar() const { return true; }
    /// Runs an event handler; a failure is shown with its description, number and
    /// source, and the window stays as it is.
    void guarded(const std::function<void()>& handler);
    /// The editing windows' keys: F9 accepts while `aceptar` is enabled, F12 cancels
    /// always, Esc cancels while `clave` (the record's key) holds a value above 0 and
    /// closes the window otherwise. Answers whether the key was one of them.
    bool teclasDeEdicion(QKeyEvent* e, const QWidget* aceptar, double clave,
                         const std::function<void()>& onAceptar,
                         const std::function<void()>& onCancelar);
    /// Lets the window see the keys of every control it holds now; their labels show
    /// their texts as plain text.
    void enableKeyPreview();

    void closeEvent(QCloseEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Places a control at a position and size given in twips; a caption wider than
    /// its place is fitted into it (fitLabel for labels, fitCaption for buttons, check
    /// boxes and frames).
    static void place(QWidget* w, int left, int top, int width, int height);
    static void fitLabel(QLabel* label);
    static void fitCaption(QWidget* w);
    /// A control's caption as drawn (without its mnemonic's '&'), and the width its
    /// control leaves for it (its width less an indicator, frame or margins).
    static QString captionText(const QWidget* w);
    static int captionRoom(const QWidget* w);
    bool plainToolTip(QWidget* w, QHelpEvent* e);
    bool loaded_ = false;
    bool unloaded_ = false;
};

} // namespace ORBTAgentes
