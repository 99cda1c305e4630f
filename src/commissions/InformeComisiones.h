#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
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
/// The report reads the work table through its own logon (the company's ODBC values):
/// when those reach another database than the shared connection (see
/// report::databaseOf), the print is refused before anything is written, with both
/// databases named.
///
/// The work table is shared by every user of the database. A print holds the named lock
/// "Listado_Desc_Comis" from emptying the table until the report has read its rows, so
/// two prints at the same time never mix their rows: the second waits for the first,
/// at most esperaMaxima milliseconds, and says so through `aviso` when it starts to
/// wait. A lock whose holder died is taken over. The rows go in in one transaction: a
/// failure leaves the table as it was. The report reads them back in the order they
/// were written, also from a table with only Elemento and Porcentaje.
class InformeComisiones {
public:
    /// Texts are written quote-safe, a control character in them (NUL, line break) as a
    /// blank; a failure of any step reaches the caller, with the lock released.
    static std::shared_ptr<report::Report>
    Preparar(const grid::OutlineModel& filas, qint16 agente, const QString& nombre,
             const std::function<void(const QString&)>& aviso = {});
    /// The work table emptied and given the grid's rows, in one transaction; the caller
    /// holds the lock. Answers the rows written (Elemento, Porcentaje), in order.
    static QVector<QStringList> Llenar(const grid::OutlineModel& filas);
    /// Logon and location of every table of a report (not of its subreports), as the
    /// suite's reports get them from the company's ODBC values; refused, with both
    /// databases named and `fuente` as the source, when they reach another database than
    /// the shared connection. Every report of the component is connected through here.
    static void Conectar(report::Report& r, const QString& fuente);
    /// How long a print waits for another one, in milliseconds.
    static int esperaMaxima;
};

} // namespace ORBTAgentes
