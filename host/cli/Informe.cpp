// "informe": the commission and settlement sheets as PDFs (orbenta-ventanas).
#include "Cli.h"

#include <ORBTAgentes.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace orbenta::host {

namespace {

// A PDF sent to standard output, or to any pipe or device, must not be followed there by
// what we say: that goes to standard error. Decided before writing, as a plain file is
// replaced. A reader that went away, or a limit on the size of files, is a write error
// to report, not a signal that ends us.
bool pdfAparte(const QString& pdf) {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    struct stat destino {
    }, salida{};
    return ::stat(QFile::encodeName(pdf).constData(), &destino) == 0 &&
           (!S_ISREG(destino.st_mode) ||
            (::fstat(STDOUT_FILENO, &salida) == 0 && destino.st_dev == salida.st_dev &&
             destino.st_ino == salida.st_ino));
}

QDate dia(const QCommandLineParser& p, const char* opcion) {
    const QString texto = p.value(QLatin1String(opcion));
    const QDate d = QDate::fromString(texto, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        usage(QStringLiteral("informe: --") + QLatin1String(opcion) +
              QStringLiteral(" debe ser una fecha AAAA-MM-DD: ") + texto);
    return d;
}

// "informe liquidacion [--agente A] --desde D --hasta D --pdf FICHERO".
int liquidacion(Context& c) {
    const QCommandLineParser& p = c.parser;
    if (!p.isSet(QStringLiteral("desde")) || !p.isSet(QStringLiteral("hasta")) ||
        !p.isSet(QStringLiteral("pdf")))
        usage(QStringLiteral("uso: orbenta informe liquidacion [--agente A] --desde AAAA-MM-DD "
                             "--hasta AAAA-MM-DD --pdf FICHERO"));
    const QDate desde = dia(p, "desde"), hasta = dia(p, "hasta");
    const qint16 agente =
        p.isSet(QStringLiteral("agente"))
            ? c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"))
            : qint16(0);
    c.shareWithComponent(c.connection(), true);
    const QString pdf = p.value(QStringLiteral("pdf"));
    const bool aparte = pdfAparte(pdf);
    ORBTAgentes::InformeLiquidacion::Preparar(agente, desde, hasta)->ExportPdf(pdf);
    (aparte ? err() : out()) << pdf << Qt::endl;
    return 0;
}

} // namespace

// "informe comisiones --agente A --pdf FICHERO": the commission sheet the commission window
// prints, written as a PDF without any window.
int cmdInforme(Context& c) {
    if (c.args == QStringList{QStringLiteral("liquidacion")})
        return liquidacion(c);
    const QString usage_ =
        QStringLiteral("uso: orbenta informe comisiones --agente A --pdf FICHERO\n"
                       "     orbenta informe liquidacion [--agente A] --desde AAAA-MM-DD "
                       "--hasta AAAA-MM-DD --pdf FICHERO");
    const QCommandLineParser& p = c.parser;
    if (c.args != QStringList{QStringLiteral("comisiones")} || !p.isSet(QStringLiteral("agente")) ||
        !p.isSet(QStringLiteral("pdf")))
        usage(usage_);
    auto cn = c.connection();
    const std::shared_ptr<ORBTEmp::Empresa> empresa = c.shareWithComponent(cn, true);
    const qint16 agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    ORBTAgentes::clsAgente a;
    a.Codigo = agente;
    if (agente == 0 || !a.Cargar())
        usage(QStringLiteral("informe: no existe el agente ") + QString::number(agente));
    ORBTAgentes::clsComision_Familias regla;
    regla.ConexionOrbenta(cn);
    regla.EmpresaOrbenta(empresa);
    regla.Agente = agente;
    grid::OutlineModel filas(11);
    ado::Recordset rs;
    ORBTAgentes::ArbolComisiones(filas).Construir(
        &regla, &rs, ORBTAgentes::ArbolComisiones::Huerfanas::Conservar);
    const QString pdf = p.value(QStringLiteral("pdf"));
    const bool aparte = pdfAparte(pdf);
    ORBTAgentes::InformeComisiones::Preparar(filas, agente, a.Nombre, [](const QString& aviso) {
        err() << aviso << Qt::endl;
    })->ExportPdf(pdf);
    (aparte ? err() : out()) << pdf << Qt::endl;
    return 0;
}

} // namespace orbenta::host
