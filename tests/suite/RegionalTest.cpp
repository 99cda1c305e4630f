#include "TestErrors.h"

#include <ORBTAgentes.h>
#include <QLocale>
#include <gtest/gtest.h>

using namespace ORBTAgentes;
using testsupport::errorOf;

namespace {

// Sets the process's locale for one test and puts the previous one back.
struct WithLocale {
    explicit WithLocale(const QLocale& l) { QLocale::setDefault(l); }
    ~WithLocale() { QLocale::setDefault(saved); }
    const QLocale saved;
};

TEST(Regional, NumbersAreReadOneWayOrRefused) {
    const auto C = QLocale::C;
    const auto es = QLocale::Spanish, en = QLocale::English, de = QLocale::German;
    const auto ES = QLocale::Spain, US = QLocale::UnitedStates, DE = QLocale::Germany;
    const auto any = QLocale::AnyTerritory;
    // A canonical form nullptr: refused.
    const std::tuple<QLocale::Language, QLocale::Territory, const char*, const char*> cases[] = {
        {es, ES, "0.125", "0.125"},
        {en, US, "0.125", "0.125"},
        {es, ES, " -12.5 ", "-12.5"},
        {es, ES, "+7", "7"},
        {es, ES, "1.0e-05", "1.0e-05"},
        {es, ES, ".5", ".5"},
        {es, ES, "0,125", "0.125"},
        {es, ES, "123,456", "123.456"},
        {de, DE, "-3,5", "-3.5"},
        {C, any, "0,125", "0.125"}, // a machine without a locale has Spanish settings
        {es, ES, "1.234,50", "1234.50"},
        {de, DE, "12.345.678,9", "12345678.9"},
        {en, US, "1,234.5", "1234.5"},
        {es, ES, "12.34,5", nullptr},
        {en, US, "1,234", nullptr}, // a thousand, or one and a quarter?
        {en, US, "0,125", nullptr},
        {es, ES, "1,234.5", nullptr},
        {es, ES, "1,2,3", nullptr},
        {es, ES, "", nullptr},
        {es, ES, "-", nullptr},
        {es, ES, ",", nullptr},
        {es, ES, "1 234", nullptr},
        {es, ES, "12abc", nullptr},
        {es, ES, "1e", nullptr},
    };
    for (const auto& [language, territory, text, canonical] : cases) {
        WithLocale l(QLocale(language, territory));
        SCOPED_TRACE(QLocale().name().toStdString() + " \"" + text + "\"");
        EXPECT_EQ(utilidades::canonicalNumber(QString::fromUtf8(text)),
                  QLatin1String(canonical ? canonical : "")); // refused: empty
    }
}

TEST(Regional, WhatIsShownReadsBackAsTheSameNumber) {
    const char* const locales[] = {"C", "es_ES", "en_US", "de_CH", "fr_FR", "hi_IN", "ar_EG"};
    const char* amounts[] = {"0.125", "1234.5", "-0.0001", "123456.789", "922337203685.4775", "-7"};
    utilidades::Utilidades u;
    for (const char* name : locales) {
        const QLocale loc{QLatin1String(name)};
        WithLocale l(loc);
        for (const char* a : amounts) {
            SCOPED_TRACE(loc.name().toStdString() + " " + a);
            const Currency c = Currency::fromString(QLatin1String(a));
            const QString shown = u.FormatoNumero(c.toDouble(), 4);
            EXPECT_EQ(toCurrency(QVariant(shown)), c) << shown.toStdString();
            EXPECT_EQ(toCurrency(QVariant(c.toString())), c);
            EXPECT_DOUBLE_EQ(toDouble(QVariant(shown)), c.toDouble());
        }
    }
}

TEST(Regional, AMachineWithoutALocaleShowsSpanishDatesAndFormattersKeepTheStoredForms) {
    {
        WithLocale l(QLocale(QLocale::C));
        EXPECT_EQ(utilidades::regional().language(), QLocale::Spanish);
        utilidades::Utilidades u;
        const QDateTime d = naive(QDate(2026, 1, 7), QTime(0, 0));
        EXPECT_EQ(QStringList(
                      {u.FormatoFecha("2026-01-07T00:00:00"), u.FormatoNumero(200, 2), toText(d)}),
                  QStringList({"07/01/2026", "200,00", "07/01/2026"}));
        EXPECT_EQ(toDate(QVariant(u.FormatoFecha("2026-01-07"))), d);
    }
    {
        WithLocale l(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(utilidades::regional().language(), QLocale::English) << "a real locale wins";
        EXPECT_EQ(utilidades::Utilidades().FormatoNumero(1234.5, 2), "1234.50");
    }
    // The formatters read and write the stored forms only.
    WithLocale l(QLocale(QLocale::Spanish, QLocale::Spain));
    const utilidades::Utilidades u;
    const char* cases[][2] = {
        {"2026-01-07", "07/01/2026"},
        {"2026-01-07T23:59:59", "07/01/2026"},
        {"2026-01-07 00:00:00", "07/01/2026"},
        {" 2026-01-07 ", "07/01/2026"},
        {"07/01/2026", "07/01/2026"},
        {"", ""},
        {"2026-02-30", "2026-02-30"},
        {"2026-01-07Tmañana", "2026-01-07Tmañana"},
        {"2026-01-07X00:00:00", "2026-01-07X00:00:00"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(u.FormatoFecha(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    // The number format for SQL ignores the regional settings.
    EXPECT_EQ(QStringList({u.FormatoSQL(12.5), u.FormatoSQL(1234567.0001), u.FormatoSQL(1e20)}),
              QStringList({"12.5", "1234567.0001", "100000000000000000000"}));
    EXPECT_EQ(errorOf([&] { u.FormatoSQL(std::numeric_limits<double>::infinity()); }),
              rt::Overflow);
}

TEST(Regional, DatesOutsideYears100To9999AreAnOverflow) {
    const QDate bad[] = {QDate(-2026, 1, 1), QDate(99, 12, 31), QDate(10000, 1, 1)};
    for (const QDate& d : bad) {
        SCOPED_TRACE(d.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(errorOf([&] { toDate(QVariant(d)); }), 6);
        EXPECT_EQ(errorOf([&] { sqlDateText(naive(d, QTime(0, 0))); }), 6);
    }
    EXPECT_EQ(errorOf([] { toDate(QVariant(-700000.0)); }), 6);
    EXPECT_EQ(sqlDateText(naive(QDate(100, 1, 1), QTime(0, 0))), "0100-01-01T00:00:00");
    EXPECT_EQ(sqlDateText(naive(QDate(9999, 12, 31), QTime(23, 59, 59))), "9999-12-31T23:59:59");
}

} // namespace
