#pragma once

#include <QLineEdit>

namespace controls {

/// The suite's masked box: a mask of '#' (a digit) and literal characters, such as
/// "##/##/####"; positions not yet typed show the prompt character (a blank by default)
/// and are left out of Text(), so Text() is what was typed, with the literals between.
///
/// It has two enabling properties, as the suite's control does: Enabled (the widget
/// takes the focus and input) and EnabledMask (the mask accepts typing). It takes input
/// only while both are on; windows set both to the same value.
class HxMaskEdBox : public QLineEdit {
    Q_OBJECT
public:
    explicit HxMaskEdBox(QWidget* parent = nullptr);

    void setMask(const QString& mask, QChar promptChar = u' ');
    QString Mask() const { return mask_; }
    QString Text() const;
    void setTextValue(const QString& text);
    void setEnabledMask(bool on);
    bool EnabledMask() const { return enabledMask_; }

private:
    QString mask_;
    bool enabledMask_ = true;
};

} // namespace controls
