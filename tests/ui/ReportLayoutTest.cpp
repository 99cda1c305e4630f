// The report engine's layout: value columns, groups with their own pages, headers and
// footers, exact sums and amounts.
#include "WindowTest.h"

namespace {

// Rows handed over, grouped by their first field with a page each: amounts shown with
// two decimals half to even, sums exact over what was handed over (two 0,005 make 0,01
// though each shows 0,00), and a value that is no amount refused.
TEST(ReportLayout, GroupsStartPagesAndSumExactly) {
    QTemporaryDir dir;
    const QString rpt = dir.filePath(u"Grupos.rpt"_s);
    testsupport::writeFile(
        rpt, "orbenta-report 1\ntitle: Grupos\nheader: Cabecera\ngroup: {field:1}\nnewpage: group\n"
             "groupheader: Grupo {field:1}\ndetail: {field:2} | {field:3:importe} | {field:4}\n"
             "groupfooter: Suma {field:1} | {sum:3} |\nfooter: Hoja {page} de {pages}\n");
    const struct {
        const char* que;
        QVector<QVector<QVariant>> filas;
        QStringList lineas; // empty: refused
    } casos[] = {
        {"two groups",
         {{"A", "x", "0.0050", "p"},
          {"A", "y", 0.005, "q"},
          {"B", "z", "-0.015", "r"},
          {"B", "w", 12345678.9, ""},
          {"B", "v", qlonglong(3), "s"}},
         {"Cabecera", "Grupo A", "x 0,00 p", "y 0,00 q", "Suma A 0,01", "Hoja 1 de 2", "Cabecera",
          "Grupo B", "z -0,02 r", "w 12345678,90", "v 3,00 s", "Suma B 12345681,88",
          "Hoja 2 de 2"}},
        {"one group, a half cent below zero shown as zero",
         {{"A", "x", "-0.005", "p"}},
         {"Cabecera", "Grupo A", "x 0,00 p", "Suma A 0,00", "Hoja 1 de 1"}},
        {"no amount", {{"A", "x", "1,5", "p"}}, {}},
        {"too many decimals", {{"A", "x", "1.00001", "p"}}, {}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.que);
        auto r = report::Report::open(rpt);
        r->setRows(c.filas);
        const QString pdf = dir.filePath(u"grupos.pdf"_s);
        const QString d = testsupport::failureOf([&] { r->ExportPdf(pdf); }).description();
        EXPECT_EQ(d.endsWith(u"no es un importe."_s), c.lineas.isEmpty()) << d.toStdString();
        EXPECT_EQ(d.isEmpty() ? testsupport::pdfLines(pdf) : QStringList(), c.lineas);
    }
}

} // namespace
