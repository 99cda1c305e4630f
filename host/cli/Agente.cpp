// "agente": load, save and delete agents.
#include "Cli.h"

#include <ORBTAgentesData.h>

namespace orbenta::host {

using automation::AutomationError;

namespace {

QString propertyText(const QVariant& v) {
    if (v.userType() == qMetaTypeId<ORBTAgentes::Currency>())
        return v.value<ORBTAgentes::Currency>().toString();
    if (v.typeId() == QMetaType::QDateTime)
        return ORBTAgentes::sqlDateText(v.toDateTime());
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

// Every property of a public object, one "Name: value" line each, in interface order.
// A record's properties, one a line; a password shows as *** (the window that sets it
// never shows it either).
void printProperties(ORBTAgentes::AutomationObject& o) {
    for (const ORBTAgentes::MemberInfo& m : o.classInfo().members) {
        if (m.kind != ORBTAgentes::MemberKind::Property)
            continue;
        QString text = propertyText(
            ORBTAgentes::Invoke(o, m.dispatchId, ORBTAgentes::DispatchKind::PropertyGet));
        if (QLatin1String(m.name).endsWith(QLatin1String("Password"), Qt::CaseInsensitive) &&
            !text.isEmpty())
            text = QStringLiteral("***");
        out() << m.name << ": " << text << '\n';
    }
}

} // namespace

int cmdAgente(Context& c) {
    const QString usage_ = QStringLiteral("uso: orbenta agente cargar CODIGO | primero | ultimo "
                                          "| anterior CODIGO | siguiente CODIGO");
    if (c.args.isEmpty())
        usage(usage_);
    const QString op = c.args[0];
    if (op == u"guardar" || op == u"eliminar") {
        if (c.args.size() != 2)
            usage(QStringLiteral(
                "uso: orbenta agente guardar CODIGO [--Propiedad valor ...] | eliminar CODIGO"));
        const qint16 code = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
        if (code == 0 && op == u"guardar") // the general commission rules' code, never an agent's
            usage(QStringLiteral("agente guardar: el código 0 es el de las reglas generales de "
                                 "comisión, no el de un agente"));
        // The agent saved is the one named by CODIGO: --Codigo cannot name another.
        for (const auto& [name, value] : c.properties) {
            bool ok = false;
            if (name == u"Codigo" && (value.trimmed().toInt(&ok) != code || !ok))
                usage(QStringLiteral("agente guardar: el agente es el del argumento CODIGO (") +
                      c.args[1] + QStringLiteral("); --Codigo no puede nombrar otro: ") + value +
                      QStringLiteral("\nuso: orbenta agente guardar CODIGO [--Propiedad valor "
                                     "...]"));
        }
        auto cn = c.connection();
        c.shareWithComponent(cn);
        ORBTAgentes::clsAgente agente;
        agente.Codigo = code;
        if (op == u"eliminar") {
            if (!agentExists(*cn, code))
                usage(QStringLiteral("no eliminado: no existe el agente ") + QString::number(code));
            // The refusal is told here, on the terminal, instead of in a message box.
            ui::setPresenter(std::make_shared<ui::RecordingPresenter>());
            if (!agente.Eliminar())
                throw AutomationError(ado::errors::Integrity, kSource,
                                      QStringLiteral("no eliminado: el agente ") +
                                          QString::number(code) +
                                          QStringLiteral(" tiene datos asociados (ventas "
                                                         "acumuladas)"));
            out() << "eliminado\n";
            return 0;
        }
        if (!agente.Cargar())
            agente.Codigo = code;
        for (const auto& [name, value] : c.properties) {
            const ORBTAgentes::MemberInfo* m = agente.classInfo().member(name);
            if (!m || m->kind != ORBTAgentes::MemberKind::Property)
                usage(QStringLiteral("clsAgente no tiene la propiedad ") + name);
            ORBTAgentes::Invoke(agente, m->dispatchId, ORBTAgentes::DispatchKind::PropertyPut,
                                {value});
        }
        // The agent's percentages are percentages, as every commission rule's: a rate of
        // 150 % would only be found later, when a settlement sheet refuses it.
        for (const auto& [name, rate] : {std::pair{"ComisionVenta", agente.ComisionVenta},
                                         std::pair{"ComisionCobro", agente.ComisionCobro},
                                         std::pair{"Retencion_IRPF", agente.Retencion_IRPF}})
            if (rate.toDouble() < 0 || rate.toDouble() > 100)
                usage(QStringLiteral("agente guardar: --") + QLatin1String(name) +
                      QStringLiteral(" debe estar entre 0 y 100: ") + rate.toString());
        agente.Modificar();
        printProperties(agente);
        return 0;
    }
    const bool needsCode = op == u"cargar" || op == u"anterior" || op == u"siguiente";
    const bool noCode = op == u"primero" || op == u"ultimo";
    if (!(needsCode && c.args.size() == 2) && !(noCode && c.args.size() == 1))
        usage(usage_);
    auto cn = c.connection();
    c.shareWithComponent(cn);
    ORBTAgentes::clsAgente agente;
    if (needsCode)
        agente.Codigo = c.int16Arg(c.args[1], QStringLiteral("CODIGO"));
    bool found = false;
    if (op == u"cargar")
        found = agente.Cargar();
    else if (op == u"anterior")
        found = agente.Cargar_Anterior();
    else if (op == u"siguiente")
        found = agente.Cargar_Siguiente();
    else if (op == u"primero")
        found = agente.Cargar_Primero();
    else
        found = agente.Cargar_Ultimo();
    if (found)
        printProperties(agente);
    else
        out() << "no encontrado\n";
    return 0;
}

} // namespace orbenta::host
