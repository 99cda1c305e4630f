#pragma once

#include <QSet>
#include <QWidget>
#include <memory>

namespace ado {
class Connection;
}
namespace ORBTEmp {
class Empresa;
}

namespace controls {

/// The suite's article selector: Buscar() lets the user pick one article of the article
/// catalogue company (table Articulos under the company object's catalogue company) in a
/// pick list (Selector): typing filters by code or description, Enter or a double click
/// picks, Esc cancels. The articles given to setPrimeros (the family the user is on) come
/// first, the rest of the catalogue after them. The window keeps the selector out of sight
/// and only calls its search.
class HxArticulo : public QWidget {
    Q_OBJECT
public:
    explicit HxArticulo(QWidget* parent = nullptr);

    void setConexion(std::shared_ptr<ado::Connection> cn) { cn_ = std::move(cn); }
    void setEmpresa(std::shared_ptr<ORBTEmp::Empresa> empresa) { empresa_ = std::move(empresa); }
    /// The codes of the articles the next search shows first.
    void setPrimeros(QSet<qint32> codes) { primeros_ = std::move(codes); }
    /// Opens the search; true when an article was picked. Failures of the article query
    /// reach the caller.
    bool Buscar();
    /// The picked article's code and description ("" before a pick).
    QString Codigo() const { return codigo_; }
    QString Descripcion() const { return descripcion_; }

private:
    std::shared_ptr<ado::Connection> cn_;
    std::shared_ptr<ORBTEmp::Empresa> empresa_;
    QSet<qint32> primeros_;
    QString codigo_;
    QString descripcion_;
};

} // namespace controls
