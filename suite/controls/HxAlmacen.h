#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QLineEdit;

namespace ado {
class Connection;
}
namespace ORBTEmp {
class Empresa;
}

namespace controls {

/// The suite's warehouse field: a warehouse code and, beside it, the warehouse's name
/// from table Almacenes. The window sets a code and asks the field to show it; the user
/// may type another code, whose name shows when the focus leaves the code.
class HxAlmacen : public QWidget {
    Q_OBJECT
public:
    explicit HxAlmacen(QWidget* parent = nullptr);

    void setEmpresa(std::shared_ptr<ORBTEmp::Empresa> empresa) { empresa_ = std::move(empresa); }
    void setConexion(std::shared_ptr<ado::Connection> cn) { cn_ = std::move(cn); }
    /// The code shown; 0 when the box is empty or holds no number.
    qint16 Codigo() const;
    void setCodigo(qint16 codigo);
    /// Shows the warehouse of the code set: its code and its name ("" when there is no
    /// such warehouse). Failures of the look-up reach the caller.
    void Mostrar();
    /// Empties the code and the name.
    void Limpiar();
    QString Nombre() const;
    QLineEdit* editor() const { return code_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::shared_ptr<ORBTEmp::Empresa> empresa_;
    std::shared_ptr<ado::Connection> cn_;
    QLineEdit* code_;
    QLabel* name_;
};

} // namespace controls
