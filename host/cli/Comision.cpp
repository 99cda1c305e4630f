// "comision": commission rules.
#include "Cli.h"

#include <ORBTAgentesData.h>

namespace orbenta::host {

namespace {

QString number(double v) {
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// Whether a query finds a row.
bool found(ado::Connection& cn, const QString& sql) {
    ado::Recordset rs;
    rs.Open(sql, cn);
    return !rs.Eof();
}

// What is wrong with a rule "comision guardar" was asked to store, empty when nothing:
// the level is one of the company's (1 to NumNiveles, NumNiveles + 1 the article level),
// the families given are exactly those of the level and exist in the family tables, an
// article rule names an article of the catalogue and carries that article's families
// (which it takes when none are given), and the agent exists (0: the general rules).
QString reglaSinSentido(ado::Connection& cn, const ORBTEmp::Empresa& empresa,
                        ORBTAgentes::clsComision_Familias& r, int familiasDadas,
                        bool articuloDado) {
    const QString catalogo = QString::number(empresa.CodEmpresaArticulos());
    const int articulo = r.NumNiveles + 1;
    if (r.Nivel < 1 || r.Nivel > articulo)
        return QStringLiteral("--nivel debe ser de 1 a ") + QString::number(articulo) +
               QStringLiteral(" (") + QString::number(articulo) +
               QStringLiteral(": artículo), no ") + QString::number(r.Nivel);
    if (r.Agente != 0 && !agentExists(cn, r.Agente))
        return QStringLiteral("no existe el agente ") + QString::number(r.Agente) +
               QStringLiteral(" (0: reglas generales)");
    const qint16 f[] = {r.Familia_1, r.Familia_2, r.Familia_3};
    const QString camino =
        QString::number(f[0]) + u',' + QString::number(f[1]) + u',' + QString::number(f[2]);
    if (r.Nivel == articulo) {
        if (!articuloDado || r.Articulo == 0)
            return QStringLiteral("el nivel ") + QString::number(articulo) +
                   QStringLiteral(" es el de artículo: falta --articulo");
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Familia_1, Familia_2, Familia_3 FROM Articulos WHERE "
                               "Cod_Empresa = ") +
                    catalogo + QStringLiteral(" AND Codigo = ") + QString::number(r.Articulo),
                cn);
        if (rs.Eof())
            return QStringLiteral("no existe el artículo ") + QString::number(r.Articulo);
        const qint16 propias[] = {qint16(rs.Fields(0).toInt()), qint16(rs.Fields(1).toInt()),
                                  qint16(rs.Fields(2).toInt())};
        if (familiasDadas == 0) {
            r.Familia_1 = propias[0];
            r.Familia_2 = propias[1];
            r.Familia_3 = propias[2];
        } else if (f[0] != propias[0] || f[1] != propias[1] || f[2] != propias[2]) {
            return QStringLiteral("el artículo ") + QString::number(r.Articulo) +
                   QStringLiteral(" es de las familias ") + QString::number(propias[0]) + u',' +
                   QString::number(propias[1]) + u',' + QString::number(propias[2]) +
                   QStringLiteral(", no ") + camino;
        }
        return {};
    }
    if (articuloDado)
        return QStringLiteral("--articulo solo va con el nivel de artículo (") +
               QString::number(articulo) + u')';
    // A rule of level N names N family codes, none of them 0, and nothing below.
    for (int i = 0; i < 3; ++i)
        if ((i < r.Nivel) != (f[i] != 0))
            return QStringLiteral("el nivel ") + QString::number(r.Nivel) +
                   QStringLiteral(" lleva ") + QString::number(r.Nivel) +
                   (r.Nivel == 1 ? QStringLiteral(" código de familia distinto")
                                 : QStringLiteral(" códigos de familia distintos")) +
                   QStringLiteral(" de 0 en --familias, no ") + camino;
    static const char* const tablas[] = {"Familias_1", "Familias_2", "Familias_3"};
    QString sql = QStringLiteral("SELECT Codigo FROM ") + QLatin1String(tablas[r.Nivel - 1]) +
                  QStringLiteral(" WHERE Cod_Empresa = ") + catalogo;
    for (int i = 0; i + 1 < r.Nivel; ++i)
        sql += QStringLiteral(" AND Familia_") + QString::number(i + 1) + QStringLiteral(" = ") +
               QString::number(f[i]);
    sql += QStringLiteral(" AND Codigo = ") + QString::number(f[r.Nivel - 1]);
    if (!found(cn, sql))
        return QStringLiteral("no existe la familia ") + camino.section(u',', 0, r.Nivel - 1) +
               QStringLiteral(" en la empresa ") + catalogo;
    return {};
}

} // namespace

int cmdComision(Context& c) {
    const QString usage_ = QStringLiteral(
        "uso: orbenta comision activa|exacta|guardar|eliminar --agente A [--nivel N] [--familias "
        "F1,F2,F3] "
        "[--articulo X] [--comision P] [--explain] | nivel CLAVE | reglas --agente A");
    if (c.args.isEmpty())
        usage(usage_);
    const QString op = c.args[0];
    const QCommandLineParser& p = c.parser;
    auto cn = c.connection();
    const std::shared_ptr<ORBTEmp::Empresa> empresa = c.shareWithComponent(cn, true);
    ORBTAgentes::clsComision_Familias r;
    r.ConexionOrbenta(cn);
    r.EmpresaOrbenta(empresa);
    if (op == u"nivel") {
        if (c.args.size() != 2)
            usage(usage_);
        r.Calcula_Nivel(c.args[1]);
        out() << "Nivel: " << r.Nivel << "\nArticulo: " << r.Articulo
              << "\nFamilia_3: " << r.Familia_3 << "\nFamilia_2: " << r.Familia_2
              << "\nFamilia_1: " << r.Familia_1 << '\n';
        return 0;
    }
    if (c.args.size() != 1 || !p.isSet(QStringLiteral("agente")))
        usage(usage_);
    r.Agente = c.int16Arg(p.value(QStringLiteral("agente")), QStringLiteral("--agente"));
    if (op == u"reglas") {
        ado::Recordset rs;
        r.Cargar_Todos(rs);
        printRecordset(rs);
        return 0;
    }
    const qint16 nivel =
        p.isSet(QStringLiteral("nivel"))
            ? c.int16Arg(p.value(QStringLiteral("nivel")), QStringLiteral("--nivel"))
            : qint16(r.NumNiveles + 1);
    if (nivel < 0 || nivel > 255)
        usage(QStringLiteral("--nivel debe estar entre 0 y 255"));
    r.Nivel = quint8(nivel);
    const QString familias = p.value(QStringLiteral("familias"));
    const QStringList fams = familias.trimmed().isEmpty() ? QStringList() : familias.split(u',');
    if (fams.size() > 3)
        usage(QStringLiteral("--familias admite hasta tres códigos"));
    qint16* targets[] = {&r.Familia_1, &r.Familia_2, &r.Familia_3};
    for (int i = 0; i < fams.size(); ++i) {
        if (fams[i].trimmed().isEmpty())
            usage(QStringLiteral("--familias: falta un código en ") + familias);
        *targets[i] = c.int16Arg(fams[i].trimmed(), QStringLiteral("--familias"));
    }
    if (p.isSet(QStringLiteral("articulo"))) {
        bool ok = false;
        r.Articulo = p.value(QStringLiteral("articulo")).toInt(&ok);
        if (!ok)
            usage(QStringLiteral("--articulo debe ser un número entero"));
    }
    if (op == u"activa") {
        if (!p.isSet(QStringLiteral("explain"))) {
            out() << number(r.Dev_Comision_Activa()) << '\n';
            return 0;
        }
        const auto e = r.Explicar_Comision_Activa();
        for (const auto& paso : e.pasos) {
            out() << "paso " << paso.numero << " (" << paso.reglas << "): ";
            switch (paso.estado) {
            case ORBTAgentes::clsComision_Familias::Paso::Omitido:
                out() << "omitido: " << paso.motivos.join(QStringLiteral(", "));
                break;
            case ORBTAgentes::clsComision_Familias::Paso::SinCoincidencia:
                out() << "sin regla [" << paso.condicion.trimmed() << "]";
                break;
            case ORBTAgentes::clsComision_Familias::Paso::Respondido:
                out() << "responde " << number(paso.valor) << " [" << paso.condicion.trimmed()
                      << "]";
                break;
            case ORBTAgentes::clsComision_Familias::Paso::NoAlcanzado:
                out() << "no alcanzado";
                break;
            }
            out() << '\n';
        }
        out() << number(e.resultado) << '\n';
        return 0;
    }
    if (op == u"exacta") {
        out() << number(r.Dev_Comision()) << '\n';
        return 0;
    }
    if (op == u"eliminar") {
        // A rule that was not there is not reported as deleted.
        const QString cuenta =
            QStringLiteral("SELECT COUNT(*) AS n FROM Agentes_Comisiones WHERE Cod_Agente = ") +
            QString::number(r.Agente);
        const auto reglas = [&] {
            ado::Recordset rs;
            rs.Open(cuenta, *cn);
            return rs.Fields(0).toLongLong();
        };
        const qint64 antes = reglas();
        r.Eliminar();
        if (reglas() == antes)
            usage(QStringLiteral("no eliminada: el agente ") + QString::number(r.Agente) +
                  QStringLiteral(" no tiene esa regla"));
        out() << "eliminada\n";
        return 0;
    }
    if (op != u"guardar")
        usage(usage_);
    if (!p.isSet(QStringLiteral("comision")))
        usage(QStringLiteral("--comision es obligatorio"));
    if (const QString refusal = reglaSinSentido(*cn, *empresa, r, int(fams.size()),
                                                p.isSet(QStringLiteral("articulo")));
        !refusal.isEmpty())
        usage(QStringLiteral("comision guardar: ") + refusal +
              QStringLiteral("; no se ha guardado"));
    // The commission window's own rule: what the window refuses is refused here too.
    if (const QString refusal = ORBTAgentes::validarComision(
            ORBTAgentes::textoComision(p.value(QStringLiteral("comision"))), r.Comision);
        !refusal.isEmpty())
        usage(refusal + QStringLiteral(" (--comision ") + p.value(QStringLiteral("comision")) +
              u')');
    if (r.Dev_Comision() > -1)
        r.Modificar();
    else
        r.Insertar();
    out() << "guardada\n";
    return 0;
}

} // namespace orbenta::host
