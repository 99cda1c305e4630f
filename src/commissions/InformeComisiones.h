#pragma once

#include <QString>
#include <memory>

namespace grid {
class OutlineModel;
}
namespace report {
class Report;
}

namespace ORBTAgentes {

/// The commission report of what the commission grid shows: its rows copied into the
/// work table Listado_Desc_Comis, then the report "Descuentos y Comisiones" of the
/// company's application folder prepared (logon and location of every table, the three
/// texts, the company for the subreport) and its rows read.
///
/// The work table is shared by every user of the database. A print holds the named lock
/// "Listado_Desc_Comis" from emptying the table until the report has read its rows, so
/// two prints at the same time never mix their rows: the second waits for the first.
/// The rows go in in one transaction: a failure leaves the table as it was.
class InformeComisiones {
public:
    /// Texts are written quote-safe; a failure of any step reaches the caller, with the
    /// lock released.
    static std::shared_ptr<report::Report> Preparar(const grid::OutlineModel& filas, qint16 agente,
                                                    const QString& nombre);
    /// The work table emptied and given the grid's rows, in one transaction; the caller
    /// holds the lock.
    static void Llenar(const grid::OutlineModel& filas);
};

} // namespace ORBTAgentes
