// "captura": pictures of the windows (orbenta-ventanas).
#include "Cli.h"

#include <Database.h>
#include <ORBTAgentes.h>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace orbenta::host {

// Pictures of every window of the component, loaded with demo data, for documentation.
// Without --db the demo data is made afresh in a scratch database, so the pictures are
// the same on every machine and never show (or need) the user's own data.
int cmdCaptura(Context& c) {
    if (c.args.size() != 1)
        usage(QStringLiteral("uso: orbenta captura [--db CONN] DIR"));
    QDir dir(c.args[0]);
    if (!dir.mkpath(QStringLiteral(".")))
        usage(QStringLiteral("no se puede crear ") + c.args[0]);
    QTemporaryDir scratch;
    std::shared_ptr<ado::Connection> cn;
    if (c.parser.isSet(QStringLiteral("db"))) {
        cn = c.connection();
    } else {
        cn = std::make_shared<ado::Connection>();
        const QString cs =
            QStringLiteral("Driver=SQLite;Database=") + scratch.path() + QStringLiteral("/demo.db");
        ado::Connection::CreateDatabase(cs);
        cn->Open(cs);
        db::createSchema(*cn, false);
        db::loadDemoData(*cn);
    }
    c.shareWithComponent(cn, true);
    ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
    QStringList written;
    const auto save = [&](QWidget* w, const QString& name) {
        const QString file = dir.filePath(name);
        if (!w->grab().save(file))
            usage(QStringLiteral("no se puede escribir ") + file);
        written << file;
    };
    // A modal list, drawn while it is open (with `filtro` typed in its filter when it has
    // one), then closed unused.
    const auto saveModal = [&](const std::function<void()>& open, const QString& name,
                               const QString& filtro) {
        QTimer::singleShot(0, [&] {
            QWidget* d = QApplication::activeModalWidget();
            if (!d)
                return;
            if (auto* f = d->findChild<QLineEdit*>(QStringLiteral("txtFiltro")))
                f->setText(filtro);
            save(d, name);
            if (auto* dialog = qobject_cast<QDialog*>(d))
                dialog->reject();
        });
        open();
    };
    // The viewer draws its pages in the background: give it a moment.
    const auto saveViewer = [&](const QString& name) {
        ORBTAgentes::frmView* v = ORBTAgentes::frmView::actual();
        v->resize(900, 640);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 1500)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        save(v, name);
        v->close();
    };
    {
        ORBTAgentes::frmclsCambioFactura cambio;
        cambio.Show(0);
        ORBTAgentes::frmAgentes_CambioFactura* w = cambio.window();
        save(w, QStringLiteral("frmAgentes_CambioFactura-vacia.png"));
        // The series' invoices, to pick one ("..." or F4).
        w->findChild<controls::HxTextBox*>(QStringLiteral("txtSerie"))
            ->setText(QStringLiteral("1"));
        saveModal([w] { w->findChild<QPushButton*>(QStringLiteral("cmdBuscarFactura"))->click(); },
                  QStringLiteral("frmBuscarFactura.png"), QString());
        w->CargarFactura(QStringLiteral("1"), QStringLiteral("5"));
        w->findChild<controls::HxAgente*>(QStringLiteral("txtNuevoAgente"))
            ->setTextValue(QStringLiteral("12"));
        save(w, QStringLiteral("frmAgentes_CambioFactura.png"));
    }
    {
        ORBTAgentes::frmclsAgente agentes;
        agentes.Show(0);
        ORBTAgentes::frmAgentes* w = agentes.window();
        save(w, QStringLiteral("frmAgentes-vacia.png"));
        w->CargarCodigo(3);
        save(w, QStringLiteral("frmAgentes.png"));
        ORBTAgentes::frmAgentes_Buscar buscar;
        buscar.Mostrar(0, nullptr);
        save(&buscar, QStringLiteral("frmAgentes_Buscar.png"));
        // Typing narrows the list, as a user does on its lines.
        QWidget* lineas = buscar.findChild<QWidget*>(QStringLiteral("lstLineas"));
        QApplication::setActiveWindow(&buscar);
        lineas->setFocus();
        for (const QChar ch : QStringLiteral("iña")) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(lineas, &press);
        }
        save(&buscar, QStringLiteral("frmAgentes_Buscar-filtro.png"));
        buscar.close();
        ORBTAgentes::frmCredenciales credenciales;
        credenciales.Mostrar(0, nullptr);
        save(&credenciales, QStringLiteral("frmCredenciales.png"));
        credenciales.close();
    }
    {
        // Agent 4: own rules at several levels, an article rule and a blocked family.
        // Every family folded but the first, whose sub-families show their rules.
        ORBTAgentes::frmclsComision_Familias comisiones;
        comisiones.Show(0);
        ORBTAgentes::frmAgentes_Comision_Familias* w = comisiones.window();
        w->ElegirAgente(4);
        grid::OutlineGrid* g = w->findChild<grid::OutlineGrid*>(QStringLiteral("vsCom"));
        for (int r = 0; r < g->Rows(); ++r)
            if (g->grid()->OutlineLevel(r) == 0)
                g->setCollapsed(r, g->TextMatrix(r, 4) != QLatin1String("1"));
        for (int r = 0; r < g->Rows(); ++r)
            if (g->grid()->OutlineLevel(r) == 1 && g->TextMatrix(r, 4) == QLatin1String("1") &&
                g->TextMatrix(r, 5) == QLatin1String("1")) {
                g->setRow(r);
                break;
            }
        save(w, QStringLiteral("frmAgentes_Comision_Familias.png"));
        // The article list of the current family: its own articles first.
        auto* verArticulos = w->findChild<QPushButton*>(QStringLiteral("cmdVerArticulos"));
        for (int r = 0; r < g->Rows() && !verArticulos->isEnabled(); ++r)
            g->setRow(r);
        saveModal([w] { w->findChild<QPushButton*>(QStringLiteral("cmdVerArticulos"))->click(); },
                  QStringLiteral("frmBuscarArticulo.png"), QString());
        // Its report, in the viewer (modeless here, so that it can be drawn).
        ORBTAgentes::clsView visor;
        visor.Report = ORBTAgentes::InformeComisiones::Preparar(
            *g->grid(), 4,
            w->findChild<controls::HxAgente*>(QStringLiteral("txtAgente"))->Nombre());
        visor.Cargar(false, 100);
        saveViewer(QStringLiteral("frmView.png"));
    }
    {
        // The first half of the demo year; the first row's agent in the line chart.
        ORBTAgentes::frmclsResumenAgentes resumen;
        resumen.Show(0);
        ORBTAgentes::frmResumenAgentes* w = resumen.window();
        w->Rango(QDate(2026, 1, 1), QDate(2026, 6, 30));
        save(w, QStringLiteral("frmResumenAgentes.png"));
        // The first quarter's settlement sheet, in the viewer.
        ORBTAgentes::clsView visor;
        visor.MostrarGrupos = true;
        visor.Report =
            ORBTAgentes::InformeLiquidacion::Preparar(0, QDate(2026, 1, 1), QDate(2026, 3, 31));
        visor.Cargar(false, 100);
        saveViewer(QStringLiteral("frmView-liquidacion.png"));
    }
    cn->Close(); // before the scratch database goes
    for (const QString& f : written)
        out() << f << '\n';
    return 0;
}

} // namespace orbenta::host
