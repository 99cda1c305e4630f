#include "SharedContext.h"

#include "Errors.h"

#include <ado/Connection.h>
#include <empresa/Empresa.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {
struct Context {
    std::shared_ptr<ORBTEmp::Empresa> empresa;
    std::shared_ptr<ado::Connection> conexion;
    std::unique_ptr<utilidades::Utilidades> utilidades;
};
Context& context() {
    static Context c;
    return c;
}
} // namespace

void SharedContext::setEmpresa(std::shared_ptr<ORBTEmp::Empresa> empresa) {
    context().empresa = std::move(empresa);
}

void SharedContext::setConexion(std::shared_ptr<ado::Connection> conexion) {
    context().conexion = std::move(conexion);
}

std::shared_ptr<ORBTEmp::Empresa> SharedContext::empresa() {
    if (!context().empresa)
        throw runtimeError(rt::ObjectNotSet);
    return context().empresa;
}

std::shared_ptr<ado::Connection> SharedContext::conexion() {
    if (!context().conexion)
        throw runtimeError(rt::ObjectNotSet);
    return context().conexion;
}

utilidades::Utilidades& SharedContext::utilidades() {
    if (!context().utilidades)
        context().utilidades = std::make_unique<utilidades::Utilidades>();
    return *context().utilidades;
}

std::shared_ptr<ORBTEmp::Empresa> SharedContext::empresaOrNull() {
    return context().empresa;
}
std::shared_ptr<ado::Connection> SharedContext::conexionOrNull() {
    return context().conexion;
}

} // namespace ORBTAgentes
