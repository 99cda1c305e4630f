#include "CodigosPostales.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <array>

namespace utilidades {

QString CodigosPostales::provinciaDe(qint32 codigo) {
    static const std::array<const char*, 52> kProvincias = {
        "Araba/Álava",   "Albacete",
        "Alicante",      "Almería",
        "Ávila",         "Badajoz",
        "Illes Balears", "Barcelona",
        "Burgos",        "Cáceres",
        "Cádiz",         "Castellón",
        "Ciudad Real",   "Córdoba",
        "A Coruña",      "Cuenca",
        "Girona",        "Granada",
        "Guadalajara",   "Gipuzkoa",
        "Huelva",        "Huesca",
        "Jaén",          "León",
        "Lleida",        "La Rioja",
        "Lugo",          "Madrid",
        "Málaga",        "Murcia",
        "Navarra",       "Ourense",
        "Asturias",      "Palencia",
        "Las Palmas",    "Pontevedra",
        "Salamanca",     "Santa Cruz de Tenerife",
        "Cantabria",     "Segovia",
        "Sevilla",       "Soria",
        "Tarragona",     "Teruel",
        "Toledo",        "Valencia",
        "Valladolid",    "Bizkaia",
        "Zamora",        "Zaragoza",
        "Ceuta",         "Melilla"};
    if (codigo < 1000 || codigo > 99999)
        return {};
    const int prefix = codigo / 1000;
    return prefix >= 1 && prefix <= 52 ? QString::fromUtf8(kProvincias[size_t(prefix - 1)])
                                       : QString();
}

bool CodigosPostales::Buscar() {
    localidad_.clear();
    provincia_.clear();
    if (cn_) {
        ado::Recordset rs;
        rs.Open(
            QStringLiteral("SELECT Localidad, Provincia FROM Codigos_Postales WHERE Codigo = ") +
                QString::number(codigo_),
            *cn_);
        if (!rs.Eof()) {
            localidad_ = rs.Fields(0).isNull() ? QString() : rs.Fields(0).toString();
            provincia_ = rs.Fields(1).isNull() ? QString() : rs.Fields(1).toString();
            return true;
        }
    }
    provincia_ = provinciaDe(codigo_);
    return !provincia_.isEmpty();
}

bool Validacion::EmailValido(const QString& direccion, QString& mensaje) const {
    const QString& d = direccion;
    const auto no = [&](const char* text) {
        mensaje = QString::fromUtf8(text);
        return false;
    };
    mensaje.clear();
    if (d.isEmpty())
        return no("La dirección está vacía.");
    for (QChar c : d)
        if (c.isSpace())
            return no("La dirección no puede contener espacios.");
    const qsizetype at = d.indexOf(u'@');
    if (at < 0)
        return no("Falta la arroba (@): una dirección es nombre@dominio, por ejemplo "
                  "ana@empresa.es.");
    if (d.indexOf(u'@', at + 1) >= 0)
        return no("La dirección tiene más de una arroba (@).");
    const QString local = d.left(at), domain = d.mid(at + 1);
    if (local.isEmpty())
        return no("Falta el nombre antes de la arroba (@).");
    if (domain.isEmpty())
        return no("Falta el dominio después de la arroba (@), por ejemplo empresa.es.");
    if (!domain.contains(u'.'))
        return no("El dominio debe llevar un punto, por ejemplo empresa.es.");
    if (domain.startsWith(u'.') || domain.endsWith(u'.') || domain.contains(QStringLiteral("..")) ||
        local.startsWith(u'.') || local.endsWith(u'.') || local.contains(QStringLiteral("..")))
        return no("La dirección no puede tener un punto al principio, al final ni dos puntos "
                  "seguidos.");
    for (QChar c : local)
        if (!(c.isLetterOrNumber() || QStringLiteral(".!#$%&'*+/=?^_`{|}~-").contains(c)))
            return no("El nombre antes de la arroba (@) contiene un carácter no permitido.");
    for (QChar c : domain)
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'-'))
            return no("El dominio contiene un carácter no permitido.");
    return true;
}

} // namespace utilidades
