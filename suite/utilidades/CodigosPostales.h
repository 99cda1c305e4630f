#pragma once

#include <QString>
#include <memory>

namespace ado {
class Connection;
}

namespace utilidades {

/// The suite's postal-code look-up: a Spanish postal code to its locality and province,
/// from table Codigos_Postales. A code the table does not hold still names its province
/// by its first two digits (01 Araba/Álava to 52 Melilla), with an empty locality; a code
/// whose first two digits name no province is not found.
class CodigosPostales {
public:
    void setConexion(std::shared_ptr<ado::Connection> cn) { cn_ = std::move(cn); }
    void setCodigo(qint32 codigo) { codigo_ = codigo; }
    qint32 Codigo() const { return codigo_; }
    /// Looks the code up; true when it was found (Localidad and Provincia then hold it).
    /// Failures of the statement reach the caller.
    bool Buscar();
    QString Localidad() const { return localidad_; }
    QString Provincia() const { return provincia_; }

    /// The province of a Spanish postal code by its first two digits; "" when none.
    static QString provinciaDe(qint32 codigo);

private:
    std::shared_ptr<ado::Connection> cn_;
    qint32 codigo_ = 0;
    QString localidad_, provincia_;
};

/// The suite's e-mail address check: whether `direccion` is a usable address and, when
/// it is not, a message in Spanish that says what is wrong with it.
struct Validacion {
    bool EmailValido(const QString& direccion, QString& mensaje) const;
};

/// The suite's focus-advance object: moves the focus to the next control, as Tab does.
/// Defined in the widgets library (OrbentaSuite).
struct AvanceFoco {
    void Avanzar() const;
};

} // namespace utilidades
