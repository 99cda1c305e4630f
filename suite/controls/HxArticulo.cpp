#include "HxArticulo.h"

#include "ListBox.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"
#include "empresa/Empresa.h"

#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

namespace controls {

namespace {

// The search dialog: Enter in the filter or the list picks the selected line; the
// arrows move through the list while the filter keeps the focus.
class Busqueda : public QDialog {
public:
    Busqueda(QWidget* parent, ListBoxModel* model) : QDialog(parent) {
        setObjectName(QStringLiteral("frmBuscarArticulo"));
        setWindowTitle(QStringLiteral("Buscar artículo"));
        filtro = new QLineEdit(this);
        filtro->setObjectName(QStringLiteral("txtFiltro"));
        filtro->setPlaceholderText(QStringLiteral("Código o descripción"));
        proxy = new QSortFilterProxyModel(this);
        proxy->setSourceModel(model);
        proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
        lista = new QListView(this);
        lista->setObjectName(QStringLiteral("lstArticulos"));
        lista->setUniformItemSizes(true);
        lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lista->setModel(proxy);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(filtro);
        layout->addWidget(lista);
        resize(420, 460);
        connect(filtro, &QLineEdit::textChanged, this, [this](const QString& t) {
            proxy->setFilterFixedString(t.trimmed());
            lista->setCurrentIndex(proxy->index(0, 0));
        });
        connect(lista, &QListView::activated, this, &QDialog::accept);
        filtro->installEventFilter(this);
        lista->setCurrentIndex(proxy->index(0, 0));
    }
    int elegida() const {
        const QModelIndex i = lista->currentIndex();
        return i.isValid() ? proxy->mapToSource(i).row() : -1;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == filtro && event->type() == QEvent::KeyPress) {
            auto* e = static_cast<QKeyEvent*>(event);
            switch (e->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
                QCoreApplication::sendEvent(lista, e);
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (elegida() >= 0)
                    accept();
                return true;
            default:
                break;
            }
        }
        return QDialog::eventFilter(watched, event);
    }

public:
    QLineEdit* filtro;
    QSortFilterProxyModel* proxy;
    QListView* lista;
};

} // namespace

HxArticulo::HxArticulo(QWidget* parent) : QWidget(parent) {}

bool HxArticulo::Buscar() {
    if (!cn_ || !empresa_)
        throw automation::AutomationError(
            91, QStringLiteral("hxArticulo.Buscar"),
            QStringLiteral("Object variable or With block variable not set"));
    ListBoxModel model;
    QStringList lines;
    QVector<qint32> codes;
    QStringList descriptions;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT Codigo, Descripcion FROM Articulos WHERE Cod_Empresa = ") +
                QString::number(empresa_->CodEmpresaArticulos()) +
                QStringLiteral(" ORDER BY Descripcion, Codigo"),
            *cn_);
    for (; !rs.Eof(); rs.MoveNext()) {
        const qint32 code = rs.Fields(0).toInt();
        const QString desc = rs.Fields(1).toString();
        lines << QString::number(code) + QStringLiteral(" - ") + desc;
        codes << code;
        descriptions << desc;
    }
    rs.Close();
    model.append(std::move(lines), codes);
    Busqueda dlg(window(), &model);
    if (dlg.exec() != QDialog::Accepted || dlg.elegida() < 0)
        return false;
    codigo_ = QString::number(codes[dlg.elegida()]);
    descripcion_ = descriptions[dlg.elegida()];
    return true;
}

} // namespace controls
