#pragma once

#include <QString>
#include <QVarLengthArray>
#include <initializer_list>

namespace ado {

/// One value of a Statement: a whole number (written as its digits, "-" first when
/// negative), a number as the SQL literal formatter writes it ("-1234.5", "0.0001"), or a
/// text (written between single quotes with every quote inside doubled).
class Param {
public:
    enum Kind : char { Integer, Number, Text };
    Param(qint64 integer = 0) : integer_(integer) {}
    static Param number(QString literal) { return Param(Number, std::move(literal)); }
    static Param text(QString body) { return Param(Text, std::move(body)); }

    Kind kind() const { return kind_; }
    qint64 integer() const { return integer_; }
    /// The literal of a Number, the text of a Text.
    const QString& string() const { return string_; }
    /// Appends the value as a statement's text carries it.
    void appendTo(QString& sql) const;

private:
    Param(Kind kind, QString s) : kind_(kind), string_(std::move(s)) {}
    Kind kind_ = Integer;
    qint64 integer_ = 0;
    QString string_;
};

/// A statement written once with "?" where each of its values stands, and the values in
/// that order. Its text is the statement with every value written in place of its "?"
/// (no "?" may stand anywhere else, not even inside a quoted text). The connection
/// traces, shows and runs it as it would that text, with the same results; where the
/// engine allows, it binds the values to a statement it keeps prepared instead of reading
/// them back out of the text.
struct Statement {
    Statement(QString text, std::initializer_list<Param> params)
        : sql(std::move(text)), values(params) {}
    QString sql;
    QVarLengthArray<Param, 6> values;
    /// The statement with its values written in.
    QString text() const;
};

} // namespace ado
