#pragma once

#include <QPushButton>

namespace controls {

/// The suite's push button: a caption with a mnemonic ("&Aceptar"), enabled or not.
class HxPushButton : public QPushButton {
    Q_OBJECT
public:
    explicit HxPushButton(const QString& caption, QWidget* parent = nullptr)
        : QPushButton(caption, parent) {
        setAutoDefault(false);
    }
};

} // namespace controls
