#pragma once

#include <QHash>
#include <QString>
#include <memory>

namespace ado {
class Connection;
}

namespace ORBTEmp {

/// The suite's company object: which company the host works on and the settings the
/// component reads from it. Values are read when asked, so a host (or a test) that
/// changes them sees the component use the new values at once.
///
/// Companies live in table `Empresas` (code, name, article catalogue company code, the
/// captions of the three family levels, application folder) and their configuration
/// values in `Empresas_Configuracion`.
class Empresa {
public:
    Empresa() = default;
    virtual ~Empresa() = default;

    /// The company code, written as `Cod_Empresa` into accumulator and rule statements.
    virtual qint16 CodEmpresa() const { return codigo_; }
    /// The company whose article catalogue and family tables this company uses.
    virtual qint16 CodEmpresaArticulos() const { return codigoArticulos_; }
    /// The caption of family level `indice` + 1 (0, 1 or 2); empty: level not used.
    /// Any other index fails with runtime error 9 "Subscript out of range".
    virtual QString NombreNivel(qint16 indice) const;
    /// The folder the suite is installed in.
    virtual QString RutaAplicacion() const { return ruta_; }
    /// A configuration value by key; empty text when the key is not set.
    virtual QString ValorConfiguracion(const QString& clave) const { return config_.value(clave); }

    QString Nombre() const { return nombre_; }

    void setCodEmpresa(qint16 v) { codigo_ = v; }
    void setCodEmpresaArticulos(qint16 v) { codigoArticulos_ = v; }
    void setNombreNivel(int indice, const QString& caption);
    void setRutaAplicacion(const QString& v) { ruta_ = v; }
    void setValorConfiguracion(const QString& clave, const QString& valor) {
        config_[clave] = valor;
    }
    void setNombre(const QString& v) { nombre_ = v; }
    const QHash<QString, QString>& configuracion() const { return config_; }

    /// Reads company `codigo` from the database; fails with error 3021 when there is
    /// no such company.
    static std::shared_ptr<Empresa> Cargar(ado::Connection& cn, qint16 codigo);
    /// Creates or replaces this company's row and its configuration values, in one
    /// transaction.
    void Guardar(ado::Connection& cn) const;

private:
    qint16 codigo_ = 0;
    qint16 codigoArticulos_ = 0;
    QString nombre_;
    QString niveles_[3];
    QString ruta_;
    QHash<QString, QString> config_;
};

} // namespace ORBTEmp
