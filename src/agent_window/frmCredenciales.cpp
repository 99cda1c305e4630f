#include "frmCredenciales.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <controls/Anclaje.h>
#include <controls/HxPushButton.h>
#include <controls/HxTextBox.h>
#include <ui/MessageBox.h>

namespace ORBTAgentes {

frmCredenciales::frmCredenciales(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmCredenciales"));
    setWindowTitle(QStringLiteral("Establecer Contraseña"));
    resize(qRound(4695 / 15.0), qRound(2190 / 15.0));
    const char* captions[] = {"Contraseña Vieja:", "Contraseña Nueva:", "Repetir Contraseña:"};
    QLabel** labels[] = {&Label1, &Label2, &Label3};
    for (int i = 0; i < 3; ++i) {
        *labels[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        (*labels[i])->setObjectName(QStringLiteral("Label") + QString::number(i + 1));
        auto* box = new controls::HxTextBox(this);
        box->setObjectName(QStringLiteral("txtPassword(") + QString::number(i) + u')');
        box->setMaxLength(20);
        box->setPasswordChar(u'*');
        box->setConvertToUpper(false);
        txtPassword[size_t(i)] = box;
        place(*labels[i], 210, 165 + 540 * i, 1575, 195);
        place(box, 1830, 105 + 540 * i, 2775, 315);
        (*labels[i])->setBuddy(box);
    }
    // Neither button answers Enter or Esc.
    cmdAceparPwd = new controls::HxPushButton(QStringLiteral("Aceptar"), this);
    cmdAceparPwd->setObjectName(QStringLiteral("cmdAceparPwd"));
    cmdCencelarPwd = new controls::HxPushButton(QStringLiteral("Cancelar"), this);
    cmdCencelarPwd->setObjectName(QStringLiteral("cmdCencelarPwd"));
    place(cmdAceparPwd, 2100, 1755, 1230, 360);
    place(cmdCencelarPwd, 3375, 1755, 1230, 360);
    QWidget* order[] = {txtPassword[0], txtPassword[1], txtPassword[2], cmdAceparPwd,
                        cmdCencelarPwd};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    Anclaje1 = new controls::Anclaje(this, 4815, 2595, false, 800, 600);
    Anclaje1->capture();
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
