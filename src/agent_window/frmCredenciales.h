#pragma once

#include "frame/FormBase.h"

#include <array>

namespace controls {
class HxTextBox;
class HxPushButton;
} // namespace controls

namespace ORBTAgentes {

/// "Establecer Contraseña": the agent's current password, then the new one twice. The
/// agent window sets OldPassword, shows it modally and, when OK() answers true, takes
/// NewPassword. Accept and cancel hide the dialog (ending the modal display); the opener
/// reads it and then unloads it. Passwords are compared and handed over exactly as typed.
/// Neither button is the default: Enter in a box moves on, Enter on a button presses it.
class frmCredenciales : public FormBase {
    Q_OBJECT
public:
    explicit frmCredenciales(QWidget* parent = nullptr);

    QString OldPassword;
    QString NewPassword;
    /// True when the dialog was closed by a successful accept.
    bool OK() const { return ok_; }

protected:
    bool keyPreview(QKeyEvent* e) override;

private:
    void aceptar();
    void cancelar();
    bool ok_ = false;
    std::array<controls::HxTextBox*, 3> txtPassword;
    controls::HxPushButton *cmdAceparPwd, *cmdCencelarPwd;
};

} // namespace ORBTAgentes
