-- ORBTAgentes database, SQLite (the embedded default).
-- Dates are stored as 'YYYY-MM-DDThh:mm:ss' text, the one form the component writes.
-- Amounts are DECIMAL(19,4): NUMERIC affinity, a default of 0 so that a row created by
-- one accumulator can be added to by the others, and a declared scale that the data
-- layer reads: every expression it assigns to such a column is rounded to four
-- decimals, so the stored double is always the one nearest the exact amount.

CREATE TABLE Empresas (
    Codigo INTEGER NOT NULL PRIMARY KEY,
    Nombre TEXT NOT NULL DEFAULT '',
    Cod_Empresa_Articulos INTEGER NOT NULL,
    Nivel1 TEXT NOT NULL DEFAULT '',
    Nivel2 TEXT NOT NULL DEFAULT '',
    Nivel3 TEXT NOT NULL DEFAULT '',
    Ruta_Aplicacion TEXT NOT NULL DEFAULT ''
);

CREATE TABLE Empresas_Configuracion (
    Cod_Empresa INTEGER NOT NULL,
    Clave TEXT NOT NULL,
    Valor TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Clave)
);

CREATE TABLE Almacenes (
    Codigo INTEGER NOT NULL PRIMARY KEY,
    Nombre TEXT NOT NULL DEFAULT ''
);

CREATE TABLE Codigos_Postales (
    Codigo INTEGER NOT NULL PRIMARY KEY,
    Localidad TEXT NOT NULL DEFAULT '',
    Provincia TEXT NOT NULL DEFAULT ''
);

CREATE TABLE Agentes (
    Codigo INTEGER NOT NULL PRIMARY KEY,
    Nombre TEXT,
    Direccion TEXT,
    Cp INTEGER,
    Localidad TEXT,
    Provincia TEXT,
    Telefono TEXT,
    Fax TEXT,
    Movil TEXT,
    EMail TEXT,
    Almacen INTEGER,
    Bloqueado INTEGER NOT NULL DEFAULT 0,
    Bloq_Fecha DATETIME,
    Bloq_Motivo TEXT,
    ComisVentas DECIMAL(19,4) NOT NULL DEFAULT 0,
    ComisCobros DECIMAL(19,4) NOT NULL DEFAULT 0,
    Retencion_IRPF DECIMAL(19,4) NOT NULL DEFAULT 0,
    NoImpLiquidacion INTEGER NOT NULL DEFAULT 0,
    Password TEXT,
    Cta_Bancaria TEXT,
    Observ TEXT,
    Enviado INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IX_Agentes_Nombre ON Agentes (Nombre);

CREATE TABLE Agentes_Acumulados (
    Cod_Empresa INTEGER NOT NULL,
    Cod_Agente INTEGER NOT NULL,
    Fecha DATETIME NOT NULL,
    Importe_Pvp DECIMAL(19,4) NOT NULL DEFAULT 0,
    Importe_Costo DECIMAL(19,4) NOT NULL DEFAULT 0,
    ComisionVenta DECIMAL(19,4) NOT NULL DEFAULT 0,
    ComisionCobro DECIMAL(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Cod_Agente, Fecha)
);
CREATE INDEX IX_Agentes_Acumulados_Agente ON Agentes_Acumulados (Cod_Agente);

CREATE TABLE Agentes_Acumulados_Articulos (
    Cod_Empresa INTEGER NOT NULL,
    Cod_Almacen INTEGER NOT NULL,
    Fecha DATETIME NOT NULL,
    Cod_Articulo INTEGER NOT NULL,
    Cod_Agente INTEGER NOT NULL,
    Importe_Pvp DECIMAL(19,4) NOT NULL DEFAULT 0,
    Importe_Costo DECIMAL(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Cod_Almacen, Fecha, Cod_Agente, Cod_Articulo)
);

CREATE TABLE Agentes_Comisiones (
    Nivel INTEGER NOT NULL,
    Cod_Empresa INTEGER NOT NULL,
    Cod_Agente INTEGER NOT NULL,
    Comision REAL NOT NULL DEFAULT 0,
    Cod_Articulo INTEGER NOT NULL DEFAULT 0,
    Familia_1 INTEGER NOT NULL DEFAULT 0,
    Familia_2 INTEGER NOT NULL DEFAULT 0,
    Familia_3 INTEGER NOT NULL DEFAULT 0
);
-- Article rules and family rules are looked up by these two paths.
CREATE INDEX IX_Agentes_Comisiones_Articulo
    ON Agentes_Comisiones (Cod_Empresa, Cod_Agente, Nivel, Cod_Articulo);
CREATE INDEX IX_Agentes_Comisiones_Familia
    ON Agentes_Comisiones (Cod_Empresa, Cod_Agente, Nivel, Familia_1, Familia_2, Familia_3);

CREATE TABLE Articulos (
    Cod_Empresa INTEGER NOT NULL,
    Codigo INTEGER NOT NULL,
    Descripcion TEXT NOT NULL DEFAULT '',
    Familia_1 INTEGER NOT NULL DEFAULT 0,
    Familia_2 INTEGER NOT NULL DEFAULT 0,
    Familia_3 INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (Cod_Empresa, Codigo)
);
CREATE INDEX IX_Articulos_Familias ON Articulos (Cod_Empresa, Familia_1, Familia_2, Familia_3);

CREATE TABLE Familias_1 (
    Cod_Empresa INTEGER NOT NULL,
    Codigo INTEGER NOT NULL,
    Nombre TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Codigo)
);

CREATE TABLE Familias_2 (
    Cod_Empresa INTEGER NOT NULL,
    Familia_1 INTEGER NOT NULL,
    Codigo INTEGER NOT NULL,
    Nombre TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Familia_1, Codigo)
);

CREATE TABLE Familias_3 (
    Cod_Empresa INTEGER NOT NULL,
    Familia_1 INTEGER NOT NULL,
    Familia_2 INTEGER NOT NULL,
    Codigo INTEGER NOT NULL,
    Nombre TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (Cod_Empresa, Familia_1, Familia_2, Codigo)
);

CREATE TABLE Bancos (
    Codigo INTEGER NOT NULL PRIMARY KEY,
    Nombre TEXT NOT NULL DEFAULT ''
);

CREATE TABLE Facturas (
    Serie INTEGER NOT NULL,
    Codigo INTEGER NOT NULL,
    Fecha DATETIME NOT NULL,
    Agente INTEGER NOT NULL DEFAULT 0,
    ImporteB DECIMAL(19,4) NOT NULL DEFAULT 0,
    TDto1 INTEGER DEFAULT 0,
    Dto1 DECIMAL(19,4) NOT NULL DEFAULT 0,
    TDto2 INTEGER DEFAULT 0,
    Dto2 DECIMAL(19,4) NOT NULL DEFAULT 0,
    Importe_Costo DECIMAL(19,4) NOT NULL DEFAULT 0,
    PRIMARY KEY (Serie, Codigo)
);
CREATE INDEX IX_Facturas_Agente ON Facturas (Agente);

-- Orden keeps the rows in the order they were written: the report reads them so.
CREATE TABLE Listado_Desc_Comis (
    Orden INTEGER PRIMARY KEY AUTOINCREMENT,
    Elemento TEXT,
    Porcentaje TEXT
);
