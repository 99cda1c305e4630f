#pragma once

#include <memory>

namespace ado {
class Connection;
}
namespace ORBTEmp {
class Empresa;
}
namespace utilidades {
class Utilidades;
struct AvanceFoco;
} // namespace utilidades

namespace ORBTAgentes {

/// The one context of the whole component: the company object and the connection the
/// host handed over last (through EmpresaOrbenta / ConexionOrbenta of any object of any
/// class) and the suite's utility object. Every operation reads it when it needs it, so
/// a new connection set on one object is used by every object from its next statement.
class SharedContext {
public:
    static void setEmpresa(std::shared_ptr<ORBTEmp::Empresa> empresa);
    static void setConexion(std::shared_ptr<ado::Connection> conexion);

    /// The company object; runtime error 91 when the host has not set one.
    static std::shared_ptr<ORBTEmp::Empresa> empresa();
    /// The connection; runtime error 91 when the host has not set one.
    static std::shared_ptr<ado::Connection> conexion();
    /// The suite's utility object, created on first use and kept.
    static utilidades::Utilidades& utilidades();
    /// The suite's focus-advance object, created on first use and kept.
    static utilidades::AvanceFoco& avanceFoco();

    /// What the host set (possibly nothing), for windows that only look.
    static std::shared_ptr<ORBTEmp::Empresa> empresaOrNull();
    static std::shared_ptr<ado::Connection> conexionOrNull();
};

} // namespace ORBTAgentes
