#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;

namespace controls {

/// The suite's anchoring control: placed on a window, it moves and sizes the window's
/// controls in proportion when the window is resized. The window is laid out at its
/// design size; `capture` takes that layout as the reference.
class Anclaje : public QObject {
    Q_OBJECT
public:
    /// `formw`, `formh`: the window's outer design size in twips; `resolucionancho`,
    /// `resolucionalto`: the screen resolution it was designed for. With `ajustarform`
    /// the window itself is first scaled from that resolution to the current screen's.
    Anclaje(QWidget* form, int formw, int formh, bool ajustarform = false,
            int resolucionancho = 800, int resolucionalto = 600);
    /// Takes the current geometry of every control as the design layout.
    void capture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply();
    QWidget* form_;
    QSize design_;
    QHash<QWidget*, QRect> layout_;
};

} // namespace controls
