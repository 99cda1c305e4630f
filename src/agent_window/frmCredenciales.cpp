#include "frmCredenciales.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <controls/Anclaje.h>
#include <controls/HxPushButton.h>
#include <controls/HxTextBox.h>
#include <ui/MessageBox.h>

namespace ORBTAgentes {

namespace {

using C = FormBase::Control;
QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}
QWidget* clave(QWidget* p) {
    auto* box = new controls::HxTextBox(p);
    box->setPasswordChar(u'*');
    box->setConvertToUpper(false);
    return box;
}
constexpr auto rotulo = FormBase::kind<QLabel>;

// The window's controls in twips (name, kind, left, top, width, height, caption, maximum
// length, Tab index, container, the box a label names). Neither button answers Enter or
// Esc.
// clang-format off
const C kLayout[] = {
    {"Label1", rotulo, 210, 165, 1575, 195, "Contraseña Vieja:", 0, -1, nullptr, "txtPassword(0)"},
    {"txtPassword(0)", clave, 1830, 105, 2775, 315, nullptr, 20, 0},
    {"Label2", rotulo, 210, 705, 1575, 195, "Contraseña Nueva:", 0, -1, nullptr, "txtPassword(1)"},
    {"txtPassword(1)", clave, 1830, 645, 2775, 315, nullptr, 20, 1},
    {"Label3", rotulo, 210, 1245, 1575, 195, "Repetir Contraseña:", 0, -1, nullptr, "txtPassword(2)"},
    {"txtPassword(2)", clave, 1830, 1185, 2775, 315, nullptr, 20, 2},
    {"cmdAceparPwd", boton, 2100, 1755, 1230, 360, "Aceptar", 0, 3},
    {"cmdCencelarPwd", boton, 3375, 1755, 1230, 360, "Cancelar", 0, 4},
};
// clang-format on

} // namespace

frmCredenciales::frmCredenciales(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmCredenciales"));
    setWindowTitle(QStringLiteral("Establecer Contraseña"));
    resize(qRound(4695 / 15.0), qRound(2190 / 15.0));
    crearControles(kLayout);
    for (size_t i = 0; i < txtPassword.size(); ++i)
        txtPassword[i] = control<controls::HxTextBox>(
            QByteArray("txtPassword(" + QByteArray::number(qsizetype(i)) + ')').constData());
    cmdAceparPwd = control<controls::HxPushButton>("cmdAceparPwd");
    cmdCencelarPwd = control<controls::HxPushButton>("cmdCencelarPwd");
    (new controls::Anclaje(this, 4815, 2595, false, 800, 600))->capture();
    connect(cmdAceparPwd, &QPushButton::clicked, this, [this] { guarded([this] { aceptar(); }); });
    connect(cmdCencelarPwd, &QPushButton::clicked, this,
            [this] { guarded([this] { cancelar(); }); });
}

bool frmCredenciales::keyPreview(QKeyEvent* e) {
    if (e->key() != Qt::Key_Return && e->key() != Qt::Key_Enter)
        return false;
    // Enter presses the button that has the focus; in a box it is the box's own.
    QWidget* const focus = QApplication::focusWidget();
    if (focus == cmdAceparPwd)
        guarded([this] { aceptar(); });
    else if (focus == cmdCencelarPwd)
        guarded([this] { cancelar(); });
    else
        return false;
    return true;
}

void frmCredenciales::aceptar() {
    if (txtPassword[0]->Text() != OldPassword) {
        ok_ = false;
        ui::MsgBox(QStringLiteral("Contraseña vieja no es válida."), ui::vbExclamation,
                   QStringLiteral("Error"));
        txtPassword[0]->setFocus();
        return;
    }
    if (txtPassword[1]->Text() != txtPassword[2]->Text()) {
        ok_ = false;
        ui::MsgBox(QStringLiteral("Las contraseñas no coinciden."), ui::vbExclamation,
                   QStringLiteral("Error"));
        txtPassword[2]->setFocus();
        return;
    }
    ok_ = true;
    NewPassword = txtPassword[1]->Text();
    hide();
}

void frmCredenciales::cancelar() {
    ok_ = false;
    hide();
}

} // namespace ORBTAgentes
