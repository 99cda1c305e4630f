// "informe": the commission sheet as a PDF (orbenta-ventanas).
#include "Cli.h"

#include <ORBTAgentes.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace orbenta::host {

// "informe comisiones --agente A --pdf FILE": the commission sheet the commission window
// prints, written as a PDF without any window.
int cmdInforme(Context& c) {
    const QString usage_ =
        QStringLiteral("usage: orbenta informe comisiones --agente A --pdf FILE");
    const QCommandLineParser& p = c.parser;
    if (c.args != QStringList{QStringLiteral("comisiones")} || !p.isSet(QStringLiteral("agente")) ||
        !p.isSet(QStringLiteral("pdf")))
        usage(usage_);
    auto cn = c.connection();
    const std::shared_ptr<ORBTEmp::Empresa> empresa = c.shareWithComponent(cn);
    if (!empresa)
        usage(QStringLiteral("informe: the company does not exist"));
    const qint16 agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    ORBTAgentes::clsAgente a;
    a.Codigo = agente;
    if (agente == 0 || !a.Cargar())
        usage(QStringLiteral("informe: agent ") + QString::number(agente) +
              QStringLiteral(" does not exist"));
    ORBTAgentes::clsComision_Familias regla;
    regla.ConexionOrbenta(cn);
    regla.EmpresaOrbenta(empresa);
    regla.Agente = agente;
    grid::OutlineModel filas(11);
    ado::Recordset rs;
    ORBTAgentes::ArbolComisiones(filas).Construir(
        &regla, &rs, ORBTAgentes::ArbolComisiones::Huerfanas::Conservar);
    // A reader that went away, or a limit on the size of files, is a write error to
    // report, not a signal that ends us.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    // A PDF sent to standard output, or to any pipe or device, must not be followed there
    // by what we say: that goes to standard error. Decided before writing, as a plain
    // file is replaced.
    const QString pdf = p.value(QStringLiteral("pdf"));
    struct stat destino {
    }, salida{};
    const bool aparte = ::stat(QFile::encodeName(pdf).constData(), &destino) == 0 &&
                        (!S_ISREG(destino.st_mode) ||
                         (::fstat(STDOUT_FILENO, &salida) == 0 && destino.st_dev == salida.st_dev &&
                          destino.st_ino == salida.st_ino));
    ORBTAgentes::InformeComisiones::Preparar(filas, agente, a.Nombre, [](const QString& aviso) {
        err() << aviso << Qt::endl;
    })->ExportPdf(pdf);
    (aparte ? err() : out()) << pdf << Qt::endl;
    return 0;
}

} // namespace orbenta::host
