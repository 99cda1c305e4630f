#pragma once

#include <QCheckBox>

namespace controls {

/// The suite's check box: its value is 0 or 1.
class HxCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit HxCheckBox(const QString& caption = {}, QWidget* parent = nullptr)
        : QCheckBox(caption, parent) {}
    int Value() const { return isChecked() ? 1 : 0; }
    /// Any value other than 0 checks the box.
    void setValue(int v) { setChecked(v != 0); }
};

} // namespace controls
