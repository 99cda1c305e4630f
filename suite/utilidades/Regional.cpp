#include "Regional.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QThread>
#include <QTranslator>
#include <atomic>

namespace utilidades {

QLocale regional() {
    QLocale l;
    if (l.language() == QLocale::C)
        return QLocale(QLocale::Spanish, QLocale::Spain);
    return l;
}

void instalarTraduccionQt() {
    static std::atomic<bool> decidido{false};
    if (decidido.load(std::memory_order_acquire))
        return;
    // The translator belongs to the application: without one yet, or from another
    // thread, a later call decides.
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread() || decidido.exchange(true))
        return;
    if (regional().language() != QLocale::Spanish)
        return;
    auto* traduccion = new QTranslator(app);
    if (traduccion->load(QStringLiteral("qtbase_es"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(traduccion);
    else
        delete traduccion; // not installed: Qt's own texts stay in English
}

namespace {

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

// Digits with an optional point and exponent: the form QLocale::c() reads exactly.
bool isMachineForm(QStringView t) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == u'-' || t[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    for (; i < n && isAsciiDigit(t[i]); ++i)
        ++digits;
    if (i < n && t[i] == u'.')
        for (++i; i < n && isAsciiDigit(t[i]); ++i)
            ++digits;
    if (digits == 0)
        return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'-' || t[i] == u'+'))
            ++i;
        qsizetype exp = 0;
        for (; i < n && isAsciiDigit(t[i]); ++i)
            ++exp;
        if (exp == 0)
            return false;
    }
    return i == n;
}

} // namespace

QString canonicalNumber(QStringView text) {
    const QStringView t = text.trimmed();
    if (isMachineForm(t))
        return t.startsWith(u'+') ? t.mid(1).toString() : t.toString();

    const QLocale loc = regional();
    const QString dec = loc.decimalPoint();
    const QString grp = loc.groupSeparator();
    // A locale with digits of its own (Arabic, Bengali...) shows them: they read as
    // the digits 0 to 9.
    const QString zero = loc.zeroDigit();
    QString latin;
    if (zero.size() == 1 && zero != u"0") {
        latin = t.toString();
        for (QChar& c : latin)
            if (c.unicode() >= zero[0].unicode() && c.unicode() <= zero[0].unicode() + 9)
                c = QChar(u'0' + (c.unicode() - zero[0].unicode()));
    }
    QStringView rest = latin.isEmpty() ? t : QStringView(latin);
    QString out;
    if (rest.startsWith(loc.negativeSign()) || rest.startsWith(u'-')) {
        out += u'-';
        rest = rest.mid(rest.startsWith(u'-') ? 1 : loc.negativeSign().size());
    } else if (rest.startsWith(u'+')) {
        rest = rest.mid(1);
    }
    const qsizetype point = rest.indexOf(dec);
    const QStringView whole = point < 0 ? rest : rest.left(point);
    const QStringView fraction = point < 0 ? QStringView() : rest.mid(point + dec.size());
    if (point < 0 && dec == u".")
        return {}; // the machine form already said no
    // The whole part: plain digits, or (only before a decimal separator) digits grouped
    // by the group separator in threes.
    const bool grouped = !grp.isEmpty() && grp != dec && whole.contains(grp);
    if (grouped && point < 0)
        return {};
    qsizetype digits = 0;
    if (grouped) {
        qsizetype i = 0;
        for (qsizetype group = 0; i <= whole.size(); ++group) {
            qsizetype j = whole.indexOf(grp, i);
            if (j < 0)
                j = whole.size();
            const QStringView part = whole.mid(i, j - i);
            if ((group == 0 && (part.isEmpty() || part.size() > 3)) ||
                (group > 0 && part.size() != 3))
                return {};
            for (QChar c : part)
                if (!isAsciiDigit(c))
                    return {};
            out += part;
            digits += part.size();
            i = j + grp.size();
        }
    } else {
        for (QChar c : whole) {
            if (!isAsciiDigit(c))
                return {};
            out += c;
            ++digits;
        }
    }
    if (point >= 0) {
        out += u'.';
        for (QChar c : fraction) {
            if (!isAsciiDigit(c))
                return {};
            out += c;
            ++digits;
        }
    }
    return digits > 0 ? out : QString();
}

bool parseNumber(QStringView text, double& value) {
    const QString c = canonicalNumber(text);
    if (c.isEmpty())
        return false;
    bool ok = false;
    value = QLocale::c().toDouble(c, &ok);
    return ok;
}

QString regionalNumber(double value, int decimals) {
    QLocale loc = regional();
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc.toString(value, 'f', qMax(0, decimals));
}

QString plegado(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out += c;
    return out.toCaseFolded();
}

} // namespace utilidades
