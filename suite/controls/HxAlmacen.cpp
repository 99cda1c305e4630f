#include "HxAlmacen.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>

namespace controls {

HxAlmacen::HxAlmacen(QWidget* parent)
    : QWidget(parent), code_(new QLineEdit(this)), name_(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    code_->setObjectName(QStringLiteral("txtCodigoAlmacen"));
    code_->setValidator(new QIntValidator(-32768, 32767, code_));
    code_->setMaximumWidth(50);
    code_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    name_->setTextFormat(Qt::PlainText); // a name is shown as it is, never as markup
    name_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(code_);
    layout->addWidget(name_, 1);
    setFocusProxy(code_);
    setFocusPolicy(Qt::StrongFocus);
    code_->installEventFilter(this);
}

qint16 HxAlmacen::Codigo() const {
    bool ok = false;
    const int v = code_->text().trimmed().toInt(&ok);
    return ok ? qint16(v) : qint16(0);
}

void HxAlmacen::setCodigo(qint16 codigo) {
    code_->setText(QString::number(codigo));
}

QString HxAlmacen::Nombre() const {
    return name_->text();
}

void HxAlmacen::Mostrar() {
    const qint16 codigo = Codigo();
    QString nombre;
    if (codigo != 0 && cn_) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Nombre FROM Almacenes WHERE Codigo = ") +
                    QString::number(codigo),
                *cn_);
        if (!rs.Eof() && !rs.Fields(0).isNull())
            nombre = rs.Fields(0).toString();
    }
    code_->setText(codigo == 0 ? QString() : QString::number(codigo));
    name_->setText(nombre);
}

void HxAlmacen::Limpiar() {
    code_->clear();
    name_->clear();
}

bool HxAlmacen::eventFilter(QObject* watched, QEvent* event) {
    // A code the user typed shows its warehouse when the focus leaves it; a failed
    // look-up shows why instead of a name.
    if (watched == code_ && event->type() == QEvent::FocusOut) {
        try {
            Mostrar();
        } catch (const automation::AutomationError& e) {
            name_->setText(QStringLiteral("(error: ") + e.description() + u')');
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace controls
