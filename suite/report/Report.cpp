#include "Report.h"

#include "Importes.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"
#include "utilidades/Regional.h"
#include "utilidades/Utilidades.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextLayout>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>

namespace report {

using automation::AutomationError;

namespace {

const QString kSource = QStringLiteral("Report");
// Report files are small texts; anything larger is not one and is never read whole.
constexpr qint64 kMaxReportBytes = 1024 * 1024;

[[noreturn]] void fail(qint32 number, const QString& text) {
    throw AutomationError(number, kSource, text);
}

// The report file's path on this machine: backslashes are folder separators, and a
// drive letter of a path written on Windows means nothing here.
QString localPath(const QString& path) {
    QString p = path;
    p.replace(u'\\', u'/');
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:/"));
    if (drive.match(p).hasMatch())
        p = p.mid(2);
    return p;
}

// The table's own name from a location "database.owner.table" (or just "table").
QString tableOf(const DatabaseTable& t) {
    const QString name = t.Location().section(u'.', -1);
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        fail(5, QStringLiteral("The table location '") + t.Location() +
                    QStringLiteral("' does not name a table."));
    return name;
}

// A pattern with its slots ({kind:...}) replaced, each by what `value` answers for it.
QString substitute(const QString& pattern, const QRegularExpression& slot,
                   const std::function<QString(const QRegularExpressionMatch&)>& value) {
    QString out;
    qsizetype last = 0;
    for (auto it = slot.globalMatch(pattern); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += pattern.mid(last, m.capturedStart() - last);
        out += value(m);
        last = m.capturedEnd();
    }
    return out + pattern.mid(last);
}

// Why a file could not be written, for a user: the usual reasons in plain words, any
// other as the system or the file layer gives it.
QString reasonOf(int error, const QFileDevice& f) {
    switch (error) {
    case ENOSPC:
        return QStringLiteral("No queda espacio en el disco.");
    case EDQUOT:
        return QStringLiteral("Se ha agotado la cuota de disco del usuario.");
    case EFBIG:
        return QStringLiteral("El archivo supera el tamaño máximo que se permite escribir.");
    case EROFS:
        return QStringLiteral("El disco es de solo lectura.");
    case EACCES:
    case EPERM:
        return QStringLiteral("No hay permiso para escribirlo.");
    case EPIPE:
        return QStringLiteral("Quien lo leía ha dejado de leer.");
    case EIO:
        return QStringLiteral("Error de entrada/salida del disco.");
    case 0:
        break;
    default:
        return QString::fromLocal8Bit(std::strerror(error)) + u'.';
    }
    const QString said = f.errorString();
    return said.isEmpty() || said == QLatin1String("Unknown error")
               ? QStringLiteral("error desconocido del sistema de archivos.")
               : said;
}

// The report's font, in points.
QFont font(double size, bool bold) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

// The cells of a line: "left | value | value".
QStringList cellsOf(const QString& value) {
    QStringList cells = value.split(u'|');
    for (QString& c : cells)
        c = c.trimmed();
    return cells;
}

} // namespace

QString printable(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text;
}

QString DatabaseTable::ConnectionString() const {
    if (server.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Driver=SQLite;Database=") + database;
    QString cs;
    if (server.contains(u'='))
        cs = server;
    else
        cs = QStringLiteral("Driver=ODBC;DSN=") + server;
    if (!database.isEmpty())
        cs += QStringLiteral(";Database=") + database;
    if (!user.isEmpty())
        cs += QStringLiteral(";Uid=") + user;
    if (!password.isEmpty())
        cs += QStringLiteral(";Pwd=") + password;
    return cs;
}

void DatabaseTable::SetLogOnInfo(const QString& s, const QString& d, const QString& u,
                                 const QString& p) {
    server = s;
    database = d;
    user = u;
    password = p;
    loggedOn = true;
}

DatabaseTable& Tables::Item(int index) {
    if (index < 1 || index > Count())
        fail(9, QStringLiteral("Subscript out of range: table ") + QString::number(index));
    return *tables_[size_t(index - 1)];
}

ParameterField& ParameterFields::Item(int index) {
    if (index < 1 || index > Count())
        fail(9, QStringLiteral("Subscript out of range: parameter ") + QString::number(index));
    return *fields_[size_t(index - 1)];
}

std::shared_ptr<Report> Report::open(const QString& path) {
    QStringList chain;
    return open(path, chain);
}

// `chain` holds the files being opened, the outermost first: a subreport found in it
// would open itself for ever.
std::shared_ptr<Report> Report::open(const QString& path, QStringList& chain) {
    const QString file = localPath(path);
    const QFileInfo info(file);
    if (info.exists() && !info.isFile())
        fail(53, QStringLiteral("El informe ") + file +
                     QStringLiteral(" no es un archivo normal (es una carpeta, un FIFO o un "
                                    "dispositivo): no se abre."));
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty() && chain.contains(canonical))
        fail(5, QStringLiteral("El informe ") + chain.first() +
                    QStringLiteral(" no se puede abrir: ") + file +
                    QStringLiteral(" se incluye a sí mismo como subinforme (") +
                    (chain.mid(chain.indexOf(canonical)) << canonical).join(QStringLiteral(" → ")) +
                    QStringLiteral(")."));
    const auto tooLarge = [&] {
        fail(7, QStringLiteral("El informe ") + file +
                    QStringLiteral(" ocupa más de 1 MiB: un informe es un texto pequeño, y este "
                                   "archivo no lo es. No se abre."));
    };
    if (info.size() > kMaxReportBytes)
        tooLarge();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(53, QStringLiteral("The report file ") + file + QStringLiteral(" cannot be opened: ") +
                     f.errorString());
    // Read no more than the limit allows, should the file have grown since.
    const QByteArray bytes = f.read(kMaxReportBytes + 1);
    if (bytes.size() > kMaxReportBytes)
        tooLarge();
    chain << canonical;
    struct Pop {
        QStringList& c;
        ~Pop() { c.removeLast(); }
    } pop{chain};
    const QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (lines.isEmpty() || lines.first().trimmed() != QLatin1String("orbenta-report 1"))
        fail(5, QStringLiteral("The file ") + file +
                    QStringLiteral(" is not an Orbenta report of version 1."));
    auto r = std::make_shared<Report>();
    r->path_ = file;
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const int colon = line.indexOf(u':');
        if (colon <= 0)
            fail(5, file + QStringLiteral(", line ") + QString::number(i + 1) +
                        QStringLiteral(": a line is \"key: value\"."));
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed();
        if (key == QLatin1String("title")) {
            r->title_ = value;
        } else if (key == QLatin1String("table")) {
            r->database_.tables_.tables_.push_back(std::make_unique<DatabaseTable>(value));
        } else if (key == QLatin1String("parameter")) {
            r->parameters_.fields_.push_back(std::make_unique<ParameterField>(value));
        } else if (key == QLatin1String("subreport")) {
            r->subreports_.emplace_back(value,
                                        open(QFileInfo(file).absolutePath() + u'/' + value, chain));
        } else if (key == QLatin1String("query")) {
            r->query_ = value;
        } else if (key == QLatin1String("header")) {
            r->header_ << value;
        } else if (key == QLatin1String("columns")) {
            r->headings_ = cellsOf(value);
        } else if (key == QLatin1String("detail")) {
            r->detail_ = cellsOf(value);
        } else if (key == QLatin1String("group")) {
            r->group_ = value;
        } else if (key == QLatin1String("newpage") && value == QLatin1String("group")) {
            r->newPage_ = true;
        } else if (key == QLatin1String("groupheader")) {
            r->groupHeader_ << cellsOf(value);
        } else if (key == QLatin1String("groupfooter")) {
            r->groupFooter_ << cellsOf(value);
        } else if (key == QLatin1String("footer")) {
            r->footer_ = value;
        } else {
            fail(5, file + QStringLiteral(", line ") + QString::number(i + 1) +
                        QStringLiteral(": unknown key \"") + key + u'"');
        }
    }
    return r;
}

Report& Report::OpenSubreport(const QString& name) {
    for (auto& [n, sub] : subreports_)
        if (n.compare(name, Qt::CaseInsensitive) == 0)
            return *sub;
    fail(9, QStringLiteral("The report has no subreport ") + name);
}

void Report::ReadRecords() {
    for (auto& [n, sub] : subreports_)
        sub->ReadRecords();
    if (read_ || query_.isEmpty())
        return;
    // Fill the statement: tables by their location, parameters as numbers only.
    static const QRegularExpression slot(
        QStringLiteral("\\{(table|parameter):(\\d+)(:integer)?\\}"));
    const QString sql = substitute(query_, slot, [&](const QRegularExpressionMatch& m) {
        const int n = m.captured(2).toInt();
        if (m.captured(1) == QLatin1String("table"))
            return tableOf(database_.tables_.Item(n));
        bool ok = false;
        const qlonglong v = parameters_.Item(n).text().toLongLong(&ok);
        if (!ok)
            fail(13, QStringLiteral("Parameter ") + parameters_.Item(n).Name() +
                         QStringLiteral(" is not a whole number."));
        return QString::number(v);
    });
    if (database_.tables_.Count() == 0)
        fail(5, QStringLiteral("The report ") + title_ + QStringLiteral(" has no table."));
    const DatabaseTable& t = database_.tables_.Item(1);
    if (!t.loggedOn)
        fail(5, QStringLiteral("The table ") + t.Name() + QStringLiteral(" was given no logon."));
    ado::Connection cn;
    cn.Open(t.ConnectionString());
    ado::Recordset rs;
    rs.Open(sql, cn);
    columns_.clear();
    for (int c = 0; c < rs.FieldCount(); ++c)
        columns_ << rs.FieldName(c);
    rows_.clear();
    for (; !rs.Eof(); rs.MoveNext()) {
        QVector<QVariant> row;
        for (int c = 0; c < rs.FieldCount(); ++c)
            row << rs.Fields(c);
        rows_ << row;
    }
    rs.Close();
    cn.Close();
    read_ = true;
}

void Report::arrangeRows(const QVector<QStringList>& written) {
    ReadRecords();
    const auto key = [](const QStringList& fields) { return fields.join(QChar(0x1f)); };
    QHash<QString, QList<int>> places; // each written row's positions, first first
    for (int i = 0; i < written.size(); ++i)
        places[key(written[i])].append(i);
    QVector<QVector<QVariant>> arranged(written.size());
    for (const auto& row : rows_) {
        QStringList fields;
        for (const QVariant& v : row)
            fields << v.toString();
        auto it = places.find(key(fields.mid(0, written.isEmpty() ? 0 : written[0].size())));
        if (it == places.end() || it->isEmpty())
            fail(5, QStringLiteral("El informe ") + title_ +
                        QStringLiteral(" ha leído una fila que no se escribió para él: ") +
                        fields.join(QStringLiteral(" | ")).simplified());
        arranged[it->takeFirst()] = row;
    }
    if (rows_.size() != written.size())
        fail(5, QStringLiteral("El informe ") + title_ + QStringLiteral(" ha leído ") +
                    QString::number(rows_.size()) + QStringLiteral(" filas de las ") +
                    QString::number(written.size()) + QStringLiteral(" escritas."));
    rows_ = std::move(arranged);
}

QString Report::expand(const QString& pattern, int page, int pages) const {
    static const QRegularExpression slot(
        QStringLiteral("\\{(parameter|subreport|page|pages|printdate)(?::([^}]*))?\\}"));
    return substitute(pattern, slot, [&](const QRegularExpressionMatch& m) -> QString {
        const QString kind = m.captured(1);
        const int n = m.captured(2).toInt();
        if (kind == QLatin1String("parameter"))
            return n >= 1 && n <= parameters_.Count() ? parameters_.fields_[size_t(n - 1)]->text()
                                                      : QString();
        if (kind == QLatin1String("subreport")) {
            for (const auto& [name, sub] : subreports_)
                if (name == m.captured(2) && !sub->rows_.isEmpty() && !sub->rows_[0].isEmpty())
                    return sub->rows_[0][0].toString();
            return {};
        }
        if (kind == QLatin1String("page"))
            return QString::number(page);
        if (kind == QLatin1String("pages"))
            return QString::number(pages);
        return utilidades::regional().toString(QDate::currentDate(), utilidades::shortDateFormat());
    });
}

void Report::setRows(QVector<QVector<QVariant>> rows) {
    rows_ = std::move(rows);
    read_ = true;
}

QVector<Report::Line> Report::layout(QPagedPaintDevice& device, double width) const {
    static const QRegularExpression slot(QStringLiteral("\\{(field|sum):(\\d+)(:importe)?\\}"));
    // A pattern filled from the rows [from, to): fields of row `at`, sums over them all.
    const auto fill = [&](const QString& pattern, int at, int from, int to) {
        return substitute(pattern, slot, [&](const QRegularExpressionMatch& m) -> QString {
            const int n = m.captured(2).toInt();
            if (m.captured(1) == QLatin1String("field")) {
                const QVector<QVariant>& row = rows_[at];
                if (n < 1 || n > row.size())
                    return {};
                return m.captured(3).isEmpty() ? row[n - 1].toString()
                                               : amountText(tenThousandths(row[n - 1]));
            }
            qint64 sum = 0;
            for (int i = from; i < to; ++i)
                if (n >= 1 && n <= rows_[i].size())
                    sum += tenThousandths(rows_[i][n - 1]);
            return amountText(sum);
        });
    };
    QVector<Line> lines;
    // A line of cells; leading tabs of its left text are its indent.
    const auto add = [&](const QStringList& cells, int at, int from, int to, bool bold) {
        Line l;
        for (const QString& c : cells)
            l.cells << fill(c, at, from, to);
        if (l.cells.isEmpty())
            l.cells << QString();
        while (l.cells[0].startsWith(u'\t')) {
            ++l.indent;
            l.cells[0].remove(0, 1);
        }
        for (QString& c : l.cells)
            c = printable(c);
        l.bold = bold;
        lines << l;
    };
    if (group_.isEmpty()) {
        // Rows with one tab open a group.
        for (int i = 0; i < rows_.size(); ++i) {
            add(detail_, i, i, i + 1, false);
            Line& l = lines.last();
            l.group = l.bold = l.indent == 1;
            l.title = l.cells[0];
        }
        return lines;
    }
    // A group's heading names whom the group is for: it wraps rather than being cut.
    const auto wrapped = [&](const QString& text) {
        QTextLayout t(text, font(9, true), &device);
        QTextOption o;
        o.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        t.setTextOption(o);
        QStringList parts;
        t.beginLayout();
        for (QTextLine line = t.createLine(); line.isValid(); line = t.createLine()) {
            line.setLineWidth(width * 0.98);
            parts << text.mid(line.textStart(), line.textLength());
        }
        t.endLayout();
        return parts.isEmpty() ? QStringList{QString()} : parts;
    };
    QString key;
    int start = 0;
    for (int i = 0; i <= rows_.size(); ++i) {
        const QString k = i < rows_.size() ? fill(group_, i, i, i + 1) : QString();
        const bool opens = i < rows_.size() && (i == 0 || k != key);
        if (i > 0 && (opens || i == rows_.size()))
            for (const QStringList& f : groupFooter_)
                add(f, i - 1, start, i, true);
        if (i == rows_.size())
            break;
        const int first = int(lines.size());
        if (opens) {
            key = k;
            start = i;
            for (const QStringList& h : groupHeader_) {
                if (h.size() > 1) {
                    add(h, i, i, i + 1, true);
                    continue;
                }
                for (const QString& part : wrapped(printable(fill(h.value(0), i, i, i + 1))))
                    add({part}, i, i, i + 1, true);
            }
        }
        add(detail_, i, i, i + 1, false);
        if (opens) {
            lines[first].group = true;
            lines[first].title = printable(k);
            lines[first].newPage = newPage_ && first > 0;
        }
    }
    return lines;
}

int Report::Render(QPagedPaintDevice& device) {
    ReadRecords();
    device.setPageOrientation(orientation_ == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter p;
    if (!p.begin(&device))
        fail(5, QStringLiteral("The report cannot be drawn on this device."));
    // Layout in points: the device's resolution is turned into a scale once.
    const double scale = device.logicalDpiY() / 72.0;
    const QRectF page = device.pageLayout().paintRectPixels(device.logicalDpiX());
    const QVector<Line> lines = layout(device, page.width());
    // Each value column as wide as its widest text, bold, and a gap.
    QVector<double> widths;
    const QFontMetricsF bold(font(9, true), &device);
    const auto measure = [&](const QStringList& cells) {
        for (int j = 1; j < cells.size(); ++j) {
            if (widths.size() < j)
                widths.resize(j);
            widths[j - 1] = qMax(widths[j - 1], bold.horizontalAdvance(cells[j]) + 12 * scale);
        }
    };
    QStringList headings;
    for (const QString& h : headings_)
        headings << printable(expand(h, 1, 1));
    measure(headings);
    for (const Line& l : lines)
        measure(l.cells);
    const double lineHeight = 14 * scale;
    const double headerHeight = (30 + 18 * header_.size() + 30) * scale;
    const double footerHeight = 30 * scale;
    const int perPage = qMax(1, int((page.height() - headerHeight - footerHeight) / lineHeight));
    // Pages as (first line, line count): full, or cut where a group asks for a new page.
    QVector<QPair<int, int>> pages;
    for (int i = 0; i < lines.size(); ++i) {
        if (pages.isEmpty() || pages.last().second == perPage ||
            (lines[i].newPage && pages.last().second > 0))
            pages.append({i, 0});
        ++pages.last().second;
    }
    if (pages.isEmpty())
        pages.append({0, 0});
    groups_.clear();
    for (int pg = 0; pg < pages.size(); ++pg) {
        if (pg > 0)
            device.newPage();
        const auto [first, count] = pages[pg];
        for (int i = first; i < first + count; ++i)
            if (lines[i].group)
                groups_.push_back({lines[i].title, pg + 1});
        draw(p, device, pg + 1, int(pages.size()), lines, first, count, scale, widths);
    }
    p.end();
    return int(pages.size());
}

void Report::draw(QPainter& p, QPagedPaintDevice& device, int page, int pages,
                  const QVector<Line>& lines, int first, int count, double scale,
                  const QVector<double>& widths) const {
    const QRectF area(QPointF(0, 0),
                      device.pageLayout().paintRectPixels(device.logicalDpiX()).size());
    double y = 0;
    // A text that does not fit its width (the page's, less what stands to its right) is
    // cut with an ellipsis: it never runs over the value beside it or off the page.
    const auto text = [&](const QString& t, double size, bool bold, Qt::Alignment align,
                          double indent = 0, double right = 0) {
        const QFont f = font(size, bold);
        p.setFont(f);
        const QFontMetricsF m(f, &device);
        const double width = qMax(0.0, area.width() - indent - right);
        p.drawText(QRectF(area.left() + indent, area.top() + y, width, m.height()),
                   align | Qt::AlignVCenter, m.elidedText(printable(t), Qt::ElideRight, width));
        return m.height();
    };
    // A line of cells: the values right-aligned in their columns, the left text in what
    // the values leave (the whole width when they are all empty).
    const auto row = [&](const QStringList& cells, bool bold, double indent) {
        QVector<double> right(widths.size() + 1, 0.0); // room right of column j
        for (qsizetype j = widths.size() - 1; j >= 0; --j)
            right[j] = right[j + 1] + widths[j];
        double reserved = 0;
        for (int j = 1; j < cells.size(); ++j)
            if (!cells[j].isEmpty()) {
                reserved = right[j - 1];
                break;
            }
        for (int j = 1; j < cells.size(); ++j)
            text(cells[j], 9, bold, Qt::AlignRight, 0, right[j]);
        return text(cells.value(0), 9, bold, Qt::AlignLeft, indent, reserved);
    };
    for (int i = 0; i < header_.size(); ++i)
        y += text(expand(header_[i], page, pages), i == 1 ? 14 : 10, i <= 1,
                  i == 1 ? Qt::AlignHCenter : Qt::AlignLeft) +
             4 * scale;
    y += 8 * scale;
    if (!headings_.isEmpty()) {
        QStringList headings;
        for (const QString& h : headings_)
            headings << expand(h, page, pages);
        y += row(headings, true, 0);
    }
    p.drawLine(QPointF(area.left(), area.top() + y), QPointF(area.right(), area.top() + y));
    y += 6 * scale;
    for (int i = first; i < first + count; ++i) {
        const Line& l = lines[i];
        row(l.cells, l.bold, (l.indent > 0 ? l.indent - 1 : 0) * 18 * scale);
        y += 14 * scale;
    }
    y = area.height() - 16 * scale;
    text(expand(footer_, page, pages), 8, false, Qt::AlignHCenter);
}

void Report::ExportPdf(const QString& file) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    WritePdf(pdf);
    const QByteArray& bytes = pdf.data();
    // Unbuffered, so that a failed write fails where it happens, with its errno.
    const auto failed = [&](const QFileDevice& out) {
        const QString why = reasonOf(errno, out);
        fail(75, QStringLiteral("El PDF ") + file + QStringLiteral(" no se ha podido escribir: ") +
                     why);
    };
    const QFileInfo info(file);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        // A pipe or a device: written in place, every byte accounted for.
        QFile out(file);
        errno = 0;
        if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            failed(out);
        errno = 0;
        if (out.write(bytes) != bytes.size())
            failed(out);
        errno = 0;
        out.close();
        if (out.error() != QFileDevice::NoError)
            failed(out);
        return;
    }
    QSaveFile out(file);
    errno = 0;
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        failed(out);
    errno = 0;
    if (out.write(bytes) != bytes.size()) {
        const int e = errno;
        out.cancelWriting();
        errno = e;
        failed(out);
    }
    errno = 0;
    if (!out.commit())
        failed(out);
}

int Report::WritePdf(QIODevice& out) {
    ReadRecords();
    QPdfWriter pdf(&out);
    pdf.setTitle(printable(title_));
    pdf.setCreator(QStringLiteral("Orbenta"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    return Render(pdf);
}

} // namespace report
