#include "SharedContext.h"

#include "Errors.h"

#include <QSqlDatabase>
#include <ado/Connection.h>
#include <empresa/Empresa.h>
#include <utilidades/CodigosPostales.h>
#include <utilidades/Utilidades.h>

namespace ORBTAgentes {

namespace {
struct Context {
    std::shared_ptr<ORBTEmp::Empresa> empresa;
    std::shared_ptr<ado::Connection> conexion;
    std::unique_ptr<utilidades::Utilidades> utilidades;
    std::unique_ptr<utilidades::AvanceFoco> avanceFoco;
};
Context& context() {
    // The context is destroyed at exit, after main; the connection it may still hold
    // closes then and needs Qt's SQL layer. Its registry of connections is a static of
    // Qt's own, destroyed in the reverse order of construction: touching it first makes
    // sure it outlives the context, so a host never crashes on its way out.
    static Context& c = []() -> Context& {
        (void)QSqlDatabase::contains(QString());
        static Context context;
        return context;
    }();
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

utilidades::AvanceFoco& SharedContext::avanceFoco() {
    if (!context().avanceFoco)
        context().avanceFoco = std::make_unique<utilidades::AvanceFoco>();
    return *context().avanceFoco;
}

std::shared_ptr<ORBTEmp::Empresa> SharedContext::empresaOrNull() {
    return context().empresa;
}
std::shared_ptr<ado::Connection> SharedContext::conexionOrNull() {
    return context().conexion;
}

} // namespace ORBTAgentes
