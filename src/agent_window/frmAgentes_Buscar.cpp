#include "frmAgentes_Buscar.h"

#include "frame/SharedContext.h"
#include "frame/Values.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <ado/Connection.h>
#include <ado/Recordset.h>
#include <algorithm>
#include <charconv>
#include <controls/Anclaje.h>
#include <controls/HxPushButton.h>
#include <controls/ListBox.h>

#include <utilidades/Regional.h>

namespace ORBTAgentes {

namespace {

QWidget* boton(QWidget* p) {
    return new controls::HxPushButton({}, p);
}

// The window's controls in twips (name, kind, left, top, width, height, caption, maximum
// length, Tab index).
const FormBase::Control kLayout[] = {
    {"lstLineas", FormBase::kind<controls::ListBox>, 135, 105, 4020, 4350, nullptr, 0, 0},
    {"cmdAceptar", boton, 930, 4590, 1065, 365, "&Aceptar", 0, 1},
    {"cmdCancelar", boton, 2295, 4590, 1065, 365, "&Cancelar", 0, 2},
};

} // namespace

frmAgentes_Buscar::frmAgentes_Buscar(QWidget* parent) : FormBase(parent) {
    setObjectName(QStringLiteral("frmAgentes_Buscar"));
    setWindowTitle(QStringLiteral("Busqueda de Agentes"));
    resize(qRound(4305 / 15.0), qRound(5040 / 15.0));
    crearControles(kLayout);
    lstLineas = control<controls::ListBox>("lstLineas");
    cmdAceptar = control<controls::HxPushButton>("cmdAceptar");
    cmdCancelar = control<controls::HxPushButton>("cmdCancelar");
    cmdAceptar->setEnabled(false);
    (new controls::Anclaje(this, 4425, 5445, false, 800, 600))->capture();
    // The typed text, over the list's lower right corner while there is one.
    lblFiltro = new QLabel(this);
    lblFiltro->setObjectName(QStringLiteral("lblFiltro"));
    lblFiltro->setTextFormat(Qt::PlainText);
    lblFiltro->setFrameShape(QFrame::Box);
    lblFiltro->setAutoFillBackground(true);
    lblFiltro->setBackgroundRole(QPalette::ToolTipBase);
    lblFiltro->setForegroundRole(QPalette::ToolTipText);
    lblFiltro->hide();
    connect(cmdAceptar, &QPushButton::clicked, this, [this] { guarded([this] { aceptar(); }); });
    connect(cmdCancelar, &QPushButton::clicked, this, [this] { guarded([this] { cancelar(); }); });
}

QString frmAgentes_Buscar::linea(qint16 codigo, const QString& nombre) {
    // Format "00": at least two digits, the sign before them. Written in place into one
    // allocation: the search list makes one line per agent.
    const int n = qAbs(int(codigo));
    char digits[8];
    const char* const end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    const qsizetype cabeza = (codigo < 0 ? 1 : 0) + (n < 10 ? 1 : 0) + (end - digits);
    QString s(cabeza + 3 + nombre.size(), Qt::Uninitialized);
    QChar* out = s.data();
    if (codigo < 0)
        *out++ = u'-';
    if (n < 10)
        *out++ = u'0';
    for (const char* d = digits; d != end; ++d)
        *out++ = QLatin1Char(*d);
    *out++ = u' ';
    *out++ = u'-';
    *out++ = u' ';
    std::copy(nombre.cbegin(), nombre.cend(), out);
    return s;
}

void frmAgentes_Buscar::Form_Load() {
    ado::Recordset rs;
    rs.Open(
        QStringLiteral("SELECT Codigo, Nombre FROM Agentes") + QStringLiteral(" ORDER BY Nombre"),
        *SharedContext::conexion(), ado::adOpenForwardOnly, ado::adLockReadOnly, ado::adCmdText);
    // Read whole, then handed to the list in one batch.
    QStringList lines;
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint16 codigo = toInteger(rs.Fields(0));
        const QVariant& nombre = rs.Fields(1);
        const QString texto = nombre.isNull() ? QString() : toText(nombre);
        lines << linea(codigo, texto);
        codes_ << codigo;
        nombres_ << texto;
    }
    rs.Close();
    lstLineas->AddItems(std::move(lines), codes_); // the codes shared, not copied
    if (lstLineas->ListCount() > 0) {
        lstLineas->setListIndex(0);
        cmdAceptar->setEnabled(true);
    }
    lstLineas->setFocus();
}

bool frmAgentes_Buscar::keyPreview(QKeyEvent* e) {
    if (teclearFiltro(e))
        return true;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses the button that has the focus; from the list, the default one.
        if (QApplication::focusWidget() == cmdCancelar)
            cancelar();
        else if (cmdAceptar->isEnabled())
            aceptar();
        return true;
    case Qt::Key_Escape:
        cancelar(); // the cancel button
        return true;
    default:
        return false;
    }
}

bool frmAgentes_Buscar::teclearFiltro(QKeyEvent* e) {
    if (QApplication::focusWidget() != lstLineas ||
        (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
        return false;
    if (e->key() == Qt::Key_Backspace) {
        if (filtro_.isEmpty())
            return false;
        filtro_.chop(1);
    } else {
        const QString t = e->text();
        if (t.isEmpty() || std::any_of(t.begin(), t.end(), [](QChar c) { return !c.isPrint(); }))
            return false;
        filtro_ += t;
    }
    filtrar();
    return true;
}

void frmAgentes_Buscar::filtrar() {
    if (!comparables_) { // made on the first key: opening the dialog stays as fast
        for (QString& nombre : nombres_)
            nombre = utilidades::plegado(nombre);
        codigos_.reserve(codes_.size());
        for (const qint32 codigo : codes_)
            codigos_ << QString::number(codigo);
        comparables_ = true;
    }
    if (filtro_.isEmpty()) {
        lstLineas->setFilter(nullptr);
    } else {
        const QString buscado = utilidades::plegado(filtro_);
        // A code is found as a number: "07" finds 7 as "7" does.
        QString numero = buscado;
        while (numero.size() > 1 && numero.startsWith(u'0'))
            numero.remove(0, 1);
        lstLineas->setFilter([this, buscado, numero](int line) {
            return nombres_[line].contains(buscado) || codigos_[line].startsWith(numero);
        });
    }
    const bool alguna = lstLineas->ListCount() > 0;
    lstLineas->setListIndex(alguna ? 0 : -1);
    if (alguna)
        lstLineas->scrollToTop();
    cmdAceptar->setEnabled(alguna);
    lblFiltro->setText(filtro_);
    lblFiltro->setVisible(!filtro_.isEmpty());
    colocarFiltro();
}

void frmAgentes_Buscar::colocarFiltro() {
    if (lblFiltro->isHidden())
        return;
    lblFiltro->adjustSize();
    const QRect list = lstLineas->geometry();
    const int width = qMin(lblFiltro->width(), list.width() - 4);
    lblFiltro->setGeometry(list.right() - width - 1, list.bottom() - lblFiltro->height() - 1, width,
                           lblFiltro->height());
    lblFiltro->raise();
}

void frmAgentes_Buscar::resizeEvent(QResizeEvent* e) {
    FormBase::resizeEvent(e);
    colocarFiltro();
}

void frmAgentes_Buscar::aceptar() {
    const int i = lstLineas->ListIndex();
    if (i < 0)
        return;
    CodigoSeleccionado = toInteger(QVariant(lstLineas->ItemData(i)));
    close();
}

void frmAgentes_Buscar::cancelar() {
    CodigoSeleccionado = 0;
    close();
}

} // namespace ORBTAgentes
