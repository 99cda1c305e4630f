#include "Statement.h"

namespace ado {

void Param::appendTo(QString& sql) const {
    switch (kind_) {
    case Integer:
        sql += QString::number(integer_);
        break;
    case Number:
        sql += string_;
        break;
    case Text:
        sql += u'\'';
        sql += QString(string_).replace(u'\'', QStringLiteral("''"));
        sql += u'\'';
        break;
    }
}

QString Statement::text() const {
    QString out;
    out.reserve(sql.size() + 12 * values.size());
    qsizetype from = 0, value = 0;
    for (qsizetype at = sql.indexOf(u'?'); at >= 0; at = sql.indexOf(u'?', from)) {
        out += QStringView(sql).mid(from, at - from);
        if (value < values.size())
            values[value++].appendTo(out);
        else
            out += u'?'; // no value for it: the engine says what it makes of it
        from = at + 1;
    }
    out += QStringView(sql).mid(from);
    return out;
}

} // namespace ado
