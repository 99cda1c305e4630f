-- ORBTAgentes database, PostgreSQL.
-- Flags are smallint because the component writes them as 1 and 0. Amounts are
-- numeric(19,4), the fixed point of the suite, and default to 0 so that a row created
-- by one accumulator can be added to by the others.

CREATE TABLE Empresas (
    Codigo smallint NOT NULL PRIMARY KEY,
    Nombre varchar(255) NOT NULL DEFAULT '',
    Cod_Empresa_Articulos smallint NOT NULL,
    Nivel1 varchar(255) NOT NULL DEFAULT '',
    Nivel2 varchar(255) NOT NULL DEFAULT '',
    Nivel3 varchar(255) NOT NULL DEFAULT '',
    Ruta_Aplicacion varchar(255) NOT NULL DEFAULT ''
);

CREATE TABLE Empresas_Configuracion (
    Cod_Empresa smallint NOT NULL,
    Clave varchar(255) NOT NULL,
    Valor varchar(255) NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Clave)
);

CREATE TABLE Almacenes (
    Codigo smallint NOT NULL PRIMARY KEY,
    Nombre varchar(255) NOT NULL DEFAULT ''
);

CREATE TABLE Codigos_Postales (
    Codigo integer NOT NULL PRIMARY KEY,
    Localidad varchar(255) NOT NULL DEFAULT '',
    Provincia varchar(255) NOT NULL DEFAULT ''
);

CREATE TABLE Agentes (
    Codigo smallint NOT NULL PRIMARY KEY,
    Nombre varchar(255),
    Direccion varchar(255),
    Cp integer,
    Localidad varchar(255),
    Provincia varchar(255),
    Telefono varchar(255),
    Fax varchar(255),
    Movil varchar(255),
    EMail varchar(255),
    Almacen smallint,
    Bloqueado smallint NOT NULL DEFAULT 0,
    Bloq_Fecha timestamp(0),
    Bloq_Motivo varchar(255),
    ComisVentas numeric(19,4) NOT NULL DEFAULT 0,
    ComisCobros numeric(19,4) NOT NULL DEFAULT 0,
    Retencion_IRPF numeric(19,4) NOT NULL DEFAULT 0,
    NoImpLiquidacion smallint NOT NULL DEFAULT 0,
    Password varchar(255),
    Cta_Bancaria varchar(255),
    Observ text,
    Enviado smallint NOT NULL DEFAULT 0
);
CREATE INDEX IX_Agentes_Nombre ON Agentes (Nombre);

CREATE TABLE Agentes_Acumulados (
    Cod_Empresa smallint NOT NULL,
    Cod_Agente smallint NOT NULL,
    Fecha timestamp(0) NOT NULL,
    Importe_Pvp numeric(19,4) NOT NULL DEFAULT 0,
    Importe_Costo numeric(19,4) NOT NULL DEFAULT 0,
    ComisionVenta numeric(19,4) NOT NULL DEFAULT 0,
    ComisionCobro numeric(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Cod_Agente, Fecha)
);
CREATE INDEX IX_Agentes_Acumulados_Agente ON Agentes_Acumulados (Cod_Agente);

CREATE TABLE Agentes_Acumulados_Articulos (
    Cod_Empresa smallint NOT NULL,
    Cod_Almacen smallint NOT NULL,
    Fecha timestamp(0) NOT NULL,
    Cod_Articulo integer NOT NULL,
    Cod_Agente smallint NOT NULL,
    Importe_Pvp numeric(19,4) NOT NULL DEFAULT 0,
    Importe_Costo numeric(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Cod_Almacen, Fecha, Cod_Agente, Cod_Articulo)
);

CREATE TABLE Agentes_Comisiones (
    Nivel smallint NOT NULL,
    Cod_Empresa smallint NOT NULL,
    Cod_Agente smallint NOT NULL,
    Comision double precision NOT NULL DEFAULT 0,
    Cod_Articulo integer NOT NULL DEFAULT 0,
    Familia_1 smallint NOT NULL DEFAULT 0,
    Familia_2 smallint NOT NULL DEFAULT 0,
    Familia_3 smallint NOT NULL DEFAULT 0
);
-- Article rules and family rules are looked up by these two paths.
CREATE INDEX IX_Agentes_Comisiones_Articulo
    ON Agentes_Comisiones (Cod_Empresa, Cod_Agente, Nivel, Cod_Articulo);
CREATE INDEX IX_Agentes_Comisiones_Familia
    ON Agentes_Comisiones (Cod_Empresa, Cod_Agente, Nivel, Familia_1, Familia_2, Familia_3);

CREATE TABLE Articulos (
    Cod_Empresa smallint NOT NULL,
    Codigo integer NOT NULL,
    Descripcion varchar(255) NOT NULL DEFAULT '',
    Familia_1 smallint NOT NULL DEFAULT 0,
    Familia_2 smallint NOT NULL DEFAULT 0,
    Familia_3 smallint NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Codigo)
);
CREATE INDEX IX_Articulos_Familias ON Articulos (Cod_Empresa, Familia_1, Familia_2, Familia_3);

CREATE TABLE Familias_1 (
    Cod_Empresa smallint NOT NULL,
    Codigo smallint NOT NULL,
    Nombre varchar(255) NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Codigo)
);

CREATE TABLE Familias_2 (
    Cod_Empresa smallint NOT NULL,
    Familia_1 smallint NOT NULL,
    Codigo smallint NOT NULL,
    Nombre varchar(255) NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Familia_1, Codigo)
);

CREATE TABLE Familias_3 (
    Cod_Empresa smallint NOT NULL,
    Familia_1 smallint NOT NULL,
    Familia_2 smallint NOT NULL,
    Codigo smallint NOT NULL,
    Nombre varchar(255) NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Familia_1, Familia_2, Codigo)
);

CREATE TABLE Bancos (
    Codigo smallint NOT NULL PRIMARY KEY,
    Nombre varchar(255) NOT NULL DEFAULT ''
);

CREATE TABLE Facturas (
    Serie smallint NOT NULL,
    Codigo integer NOT NULL,
    Fecha timestamp(0) NOT NULL,
    Agente smallint NOT NULL DEFAULT 0,
    ImporteB numeric(19,4) NOT NULL DEFAULT 0,
    TDto1 smallint DEFAULT 0,
    Dto1 numeric(19,4) NOT NULL DEFAULT 0,
    TDto2 smallint DEFAULT 0,
    Dto2 numeric(19,4) NOT NULL DEFAULT 0,
    Importe_Costo numeric(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Serie, Codigo)
);
CREATE INDEX IX_Facturas_Agente ON Facturas (Agente);

-- Orden keeps the rows in the order they were written: the report reads them so.
CREATE TABLE Listado_Desc_Comis (
    Orden serial PRIMARY KEY,
    Elemento varchar(320),
    Porcentaje varchar(255)
);
