#pragma once

#include "frame/Automation.h"

#include <QString>
#include <QVector>

namespace ado {
class Recordset;
}

namespace ORBTAgentes {

/// One commission rule of table Agentes_Comisiones, used as a parameter object: the
/// caller sets the fields to a rule's key (and percentage) and calls an operation.
/// Rules of agent 0 are general rules. Levels: 1 family, 2 sub-family,
/// 3 sub-sub-family, NumNiveles + 1 article.
///
/// Failures of the storing and loading operations are raised again under
/// "frmclsAgente_Comision_Familias::<word>": Insertar, Borrar (for Eliminar),
/// Modificar, Cargar_Articulos, Cargar_Todos, Dev_Comision. Calcula_Nivel,
/// Dev_Comision_Activa and the assignment of EmpresaOrbenta let failures through.
class clsComision_Familias : public AutomationObject {
public:
    clsComision_Familias();
    /// The public interface: members in interface order with their dispatch identifiers.
    static const ClassInfo& interfaceInfo();

    quint8 Nivel = 0;
    qint16 Familia_1 = 0;
    qint16 Familia_2 = 0;
    qint16 Familia_3 = 0;
    qint32 Articulo = 0;
    qint16 Agente = 0;
    double Comision = 0;
    qint16 NumNiveles = 0;

    /// Also sets NumNiveles from the company's level captions (3 when the third level
    /// has a caption, else 2 when the second has, else 1).
    void EmpresaOrbenta(std::shared_ptr<ORBTEmp::Empresa> empresa) override;

    void Insertar();
    void Eliminar();
    void Modificar();
    /// Fills Nivel, Articulo, Familia_3, Familia_2, Familia_1 (in that order) from a
    /// key "article-level-family-subfamily-subsubfamily".
    void Calcula_Nivel(const QString& key);
    /// Opens `rs` on the articles of a family (sub-family and sub-sub-family when not 0).
    void Cargar_Articulos(ado::Recordset& rs, qint16 intFamilia1, qint16 intFamilia2,
                          qint16 intFamilia3);
    /// Opens `rs` on all rules of Agente in the current company, sorted by family.
    void Cargar_Todos(ado::Recordset& rs);
    /// The percentage stored in exactly the rule of the current fields; -1 when none.
    double Dev_Comision();
    /// The percentage that applies to Agente for the item of the current fields: the
    /// agent's own rules from the article up to the family, then the general rules the
    /// same way; 0 when no rule applies.
    double Dev_Comision_Activa();

    /// How Dev_Comision_Activa reached its answer, step by step. Produced by the very
    /// same code, with the same statements, so the two can never disagree.
    struct Paso {
        enum Estado { Omitido, SinCoincidencia, Respondido, NoAlcanzado };
        int numero;     // 1 to 8
        QString reglas; // which rules the step searches
        Estado estado;
        QString condicion;   // the condition queried (empty when not queried)
        QStringList motivos; // why the step was skipped: its preconditions that failed
        double valor = -1;   // the value found (Respondido)
    };
    struct Explicacion {
        double resultado = 0;
        QVector<Paso> pasos;
    };
    Explicacion Explicar_Comision_Activa();

private:
    bool articleRule() const;
    qint16 articleLevel() const;
    double resolve(Explicacion* explicacion);
};

} // namespace ORBTAgentes
