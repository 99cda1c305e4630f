#pragma once

#include "empresa/Logon.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QIODevice;

namespace report {

/// A text as one line of a page: every control character (NUL, a line break, a tab) is
/// printed as a blank, so nothing after it is lost or drawn out of place. Every text a
/// report draws goes through it.
QString printable(QString text);

/// One table of a report's data source. The engine reads it through the suite's data
/// layer on a connection built from the logon values:
/// - server "SQLite": the database is the SQLite file's path;
/// - server holding a connection string ("Driver=PostgreSQL;Server=...;Port=..."): that
///   connection, with the database, user and password set from the logon;
/// - any other server: an ODBC data source of that name.
/// The location names the table as database.owner.table; the engine reads the last part.
class DatabaseTable {
public:
    explicit DatabaseTable(QString name) : name_(std::move(name)), location_(name_) {}
    QString Name() const { return name_; }
    QString Location() const { return location_; }
    void setLocation(const QString& location) { location_ = location; }
    void SetLogOnInfo(const QString& server, const QString& database, const QString& user,
                      const QString& password);
    /// The connection string the logon names (see above).
    QString ConnectionString() const;
    QString server, database, user, password;
    bool loggedOn = false;

private:
    QString name_;
    QString location_;
};

class Tables {
public:
    int Count() const { return int(tables_.size()); }
    /// 1-based, as the engine numbers them.
    DatabaseTable& Item(int index);
    std::vector<std::unique_ptr<DatabaseTable>> tables_;
};

class Database {
public:
    report::Tables& Tables() { return tables_; }
    report::Tables tables_;
};

class ParameterField {
public:
    explicit ParameterField(QString name) : name_(std::move(name)) {}
    QString Name() const { return name_; }
    void AddCurrentValue(const QVariant& value) { values_.push_back(value); }
    /// The value a page shows: the last one added (empty when none).
    QString text() const { return values_.isEmpty() ? QString() : values_.last().toString(); }

private:
    QString name_;
    QVector<QVariant> values_;
};

class ParameterFields {
public:
    int Count() const { return int(fields_.size()); }
    ParameterField& Item(int index); // 1-based
    std::vector<std::unique_ptr<ParameterField>> fields_;
};

/// A report opened from a report file: its data source, parameters, subreports and
/// layout. Report files are text, one "key: value" per line after the first line
/// "orbenta-report 1" (the format's version); "#" starts a comment. Keys:
///   title       the report's name
///   table       a table of the data source (in order: {table:1}, {table:2}...)
///   parameter   a parameter field (in order: {parameter:1}...)
///   subreport   a subreport file beside this one ({subreport:Name.rpt} shows its first
///               row's first field)
///   query       the statement that reads the detail rows; {table:N} is the table's
///               name from its location, {parameter:N:integer} a parameter as a number.
///               A report without one shows the rows its program hands over (setRows).
///   header      a line of the page header (repeatable; the first is the largest)
///   columns     the column headings: left | value | value...
///   detail      a detail row: left | value | value..., with {field:N}; leading tabs of
///               the left text indent the row, and rows with one tab start a group
///   group       the rows' group: consecutive rows whose text of it is the same form a
///               group, named by that text (then tabs no longer start groups)
///   newpage     "group": every group starts on a new page
///   groupheader a line before each group's rows (repeatable), fields of its first row;
///               a line without values wraps instead of being cut
///   groupfooter a line after each group's rows (repeatable): {field:N} of its last row,
///               {sum:N} the exact sum of field N over the group's rows
///   footer      the page footer; {page}, {pages} and {printdate} are filled in
/// Values are right-aligned columns. {field:N:importe} and {sum:N:importe} show an amount
/// (a decimal text or number of at most four decimals) with two decimals, rounded half to
/// even, in the regional settings. ReadRecords() reads the rows; Render() draws the pages
/// on any paged device, so the screen preview, the printer and the PDF file get the same
/// drawing.
class Report {
public:
    /// Reads a report file; Windows-style paths ("C:\\Suite\\Rpt\\x.rpt") are accepted.
    /// Fails with a clear error when the file is missing, is not a plain file (a FIFO or
    /// a device is never opened: it could block or never end), is not a report of this
    /// format, is larger than a report file can be (1 MiB; never read whole), or is its
    /// own subreport (directly or through others).
    static std::shared_ptr<Report> open(const QString& path);

    report::Database& Database() { return database_; }
    report::ParameterFields& ParameterFields() { return parameters_; }
    /// A subreport by its name ("Empresa.rpt").
    Report& OpenSubreport(const QString& name);
    /// The further setting: 1 portrait, 2 landscape.
    void setPaperOrientation(int orientation) { orientation_ = orientation; }
    int PaperOrientation() const { return orientation_; }

    /// Reads the rows of every table (the report's and its subreports'), once. A wrong
    /// logon or a missing table fails here, with the data layer's description.
    void ReadRecords();
    /// Puts the rows read in the order of `written` (each row's fields as text): the rows
    /// a program wrote to a work table that keeps no order of its own. The rows read must
    /// be exactly those, as many times each; anything else fails and nothing is shown.
    void arrangeRows(const QVector<QStringList>& written);
    /// The detail rows a program hands over, for a report without a query (its
    /// subreports still read theirs).
    void setRows(QVector<QVector<QVariant>> rows);
    /// Draws every page; answers the page count.
    int Render(QPagedPaintDevice& device);
    /// Writes the report as a PDF file, or as PDF into a device (answering the page
    /// count). The file is complete or absent: the PDF is drawn first, then written
    /// beside the file's name and renamed over it; a failure to write (a full disk)
    /// leaves no file and any older one as it was. A FIFO or a device (a pipe, the
    /// terminal) cannot be renamed over and is written in place; a failed or short
    /// write fails there too.
    void ExportPdf(const QString& file);
    int WritePdf(QIODevice& out);

    /// The groups of the report (its first-level rows) and the page each starts on
    /// (1-based), known after Render.
    struct Group {
        QString title;
        int page;
    };
    const QVector<Group>& Groups() const { return groups_; }
    QString Title() const { return title_; }
    QString path() const { return path_; }

private:
    struct Line {
        QStringList cells; // the left text, then the values
        int indent = 0;
        bool bold = false;
        bool group = false;   // starts a group
        bool newPage = false; // starts a page
        QString title;        // the group's name
    };
    static std::shared_ptr<Report> open(const QString& path, QStringList& chain);
    QString expand(const QString& pattern, int page, int pages) const;
    QVector<Line> layout(QPagedPaintDevice& device, double width) const;
    void draw(QPainter& p, QPagedPaintDevice& device, int page, int pages,
              const QVector<Line>& lines, int first, int count, double scale,
              const QVector<double>& widths) const;

    QString path_;
    QString title_;
    QStringList header_; // lines of the page header
    QStringList headings_;
    QString query_; // the statement that reads the rows
    QStringList detail_;
    QString group_;
    bool newPage_ = false;
    QVector<QStringList> groupHeader_, groupFooter_;
    QString footer_;
    int orientation_ = 1;
    report::Database database_;
    report::ParameterFields parameters_;
    std::vector<std::pair<QString, std::shared_ptr<Report>>> subreports_;
    QVector<QVector<QVariant>> rows_;
    QStringList columns_;
    bool read_ = false;
    QVector<Group> groups_;
};

} // namespace report
