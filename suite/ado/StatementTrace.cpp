#include "StatementTrace.h"

#include "Connection.h"
#include "ConnectionString.h"

#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace ado {

using automation::AutomationError;

namespace {

bool traceEnabled() {
    static const bool on = qEnvironmentVariable("ORBENTA_TRACE_SQL") == u"1";
    return on;
}

bool namesPassword(QStringView name) {
    while (!name.isEmpty() && (name.front() == u'[' || name.front() == u'"'))
        name = name.mid(1);
    while (!name.isEmpty() && (name.back() == u']' || name.back() == u'"'))
        name.chop(1);
    return name.endsWith(u"password", Qt::CaseInsensitive);
}

QString literalBody(QStringView literal) {
    const QStringView body =
        literal.mid(literal.startsWith(u'N') || literal.startsWith(u'n') ? 2 : 1).chopped(1);
    return body.toString().replace(QStringLiteral("''"), QStringLiteral("'"));
}

bool holdsConnectionPassword(const QString& text) {
    static const QRegularExpression key(QStringLiteral("(^|[;\\s])(pwd|password)\\s*="),
                                        QRegularExpression::CaseInsensitiveOption);
    return key.match(text).hasMatch();
}

// A literal of a statement that holds a secret: where it stands, what the trace shows
// in its place and the secret values it carries (quotes not doubled).
struct SecretLiteral {
    qsizetype begin;
    qsizetype length;
    QString shown;
    QStringList secrets;
};

// The secret literals of a statement: the values of the agents' Password column (and of
// any column whose name ends in Password), the values of configuration keys ending in
// Password (an INSERT of Clave and Valor, or "Valor = ..." beside "Clave = '...Password'")
// and the passwords of connection strings written as literals. The trace shows them as
// '***', and an engine's message about the statement never repeats them.
std::vector<SecretLiteral> secretLiteralsOf(const QString& sql) {
    QString skeleton;
    std::vector<LiteralSpan> spans;
    if (!skeletonOf(sql, skeleton, spans)) {
        // A text the scanner does not judge (an unterminated literal): from its first
        // quote on, everything is secret.
        const qsizetype quote = sql.indexOf(u'\'');
        if (quote < 0)
            return {};
        const QString rest = sql.mid(quote + 1);
        return {{quote,
                 sql.size() - quote,
                 QStringLiteral("'***'"),
                 {rest, QString(rest).replace(QStringLiteral("''"), QStringLiteral("'"))}}};
    }
    if (spans.empty())
        return {};
    const auto text = [&](size_t k) {
        return QStringView(sql).mid(spans[k].begin, spans[k].length);
    };
    // The text between a literal and the one before it.
    const auto before = [&](size_t k) {
        const qsizetype from = k == 0 ? 0 : spans[k - 1].begin + spans[k - 1].length;
        return QStringView(sql).mid(from, spans[k].begin - from);
    };
    std::vector<bool> hide(spans.size(), false);
    // "Password = value", in a SET list or a condition; "Clave = 'ODBCPassword'" makes
    // "Valor = value" secret in the same statement.
    static const QRegularExpression assigned(QStringLiteral("password[\\]\"]?\\s*=\\s*$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression claveIs(QStringLiteral("\\bclave[\\]\"]?\\s*=\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression valorIs(QStringLiteral("\\bvalor[\\]\"]?\\s*=\\s*$"),
                                            QRegularExpression::CaseInsensitiveOption);
    bool secretClave = false;
    for (size_t k = 0; k < spans.size(); ++k) {
        const QString b = before(k).toString();
        hide[k] = assigned.match(b).hasMatch();
        if (spans[k].kind != LiteralSpan::Number && claveIs.match(b).hasMatch() &&
            namesPassword(literalBody(text(k))))
            secretClave = true;
    }
    if (secretClave)
        for (size_t k = 0; k < spans.size(); ++k)
            if (valorIs.match(before(k).toString()).hasMatch())
                hide[k] = true;
    // INSERT INTO t (columns) VALUES (values): each literal belongs to a column.
    static const QRegularExpression insert(
        QStringLiteral("^\\s*INSERT\\s+INTO\\s+[^(]+\\(([^)]*)\\)\\s*VALUES\\s*\\("),
        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch m = insert.match(skeleton); m.hasMatch()) {
        const QStringList columns = m.captured(1).split(u',');
        std::vector<int> columnOf(spans.size(), -1);
        size_t k = size_t(skeleton.left(m.capturedEnd()).count(QChar(u'\x01')));
        int column = 0, depth = 0;
        for (qsizetype i = m.capturedEnd(); i < skeleton.size() && depth >= 0; ++i) {
            const QChar c = skeleton[i];
            if (c == u'\x01' && k < spans.size())
                columnOf[k++] = column;
            else if (c == u'(')
                ++depth;
            else if (c == u')')
                --depth;
            else if (c == u',' && depth == 0)
                ++column;
        }
        int clave = -1, valor = -1;
        for (int i = 0; i < columns.size(); ++i) {
            const QString name = columns[i].trimmed();
            if (name.compare(QStringLiteral("Clave"), Qt::CaseInsensitive) == 0)
                clave = i;
            else if (name.compare(QStringLiteral("Valor"), Qt::CaseInsensitive) == 0)
                valor = i;
        }
        // A configuration value whose key ends in Password.
        bool secretKey = false;
        for (size_t j = 0; j < spans.size(); ++j)
            if (clave >= 0 && columnOf[j] == clave && spans[j].kind != LiteralSpan::Number &&
                namesPassword(literalBody(text(j))))
                secretKey = true;
        for (size_t j = 0; j < spans.size(); ++j)
            if (columnOf[j] >= 0 &&
                ((columnOf[j] < columns.size() && namesPassword(columns[columnOf[j]].trimmed())) ||
                 (secretKey && columnOf[j] == valor)))
                hide[j] = true;
    }
    std::vector<SecretLiteral> out;
    for (size_t k = 0; k < spans.size(); ++k) {
        const LiteralSpan& sp = spans[k];
        if (hide[k]) {
            out.push_back(
                {sp.begin,
                 sp.length,
                 QStringLiteral("'***'"),
                 {sp.kind == LiteralSpan::Number ? text(k).toString() : literalBody(text(k))}});
        } else if (sp.kind != LiteralSpan::Number) {
            const QString body = literalBody(text(k));
            if (holdsConnectionPassword(body))
                out.push_back(
                    {sp.begin, sp.length,
                     u'\'' + displayConnectionString(body).replace(u'\'', QStringLiteral("''")) +
                         u'\'',
                     connectionPasswords(body)});
        }
    }
    return out;
}

} // namespace

bool tracing() {
    return traceEnabled();
}

void trace(const QString& sql) {
    if (!traceEnabled())
        return;
    const QByteArray line = QByteArrayLiteral("SQL: ") + withoutSecrets(sql).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

// A statement as the trace shows it.
QString withoutSecrets(const QString& sql) {
    const std::vector<SecretLiteral> secrets = secretLiteralsOf(sql);
    if (secrets.empty())
        return sql;
    QString out;
    out.reserve(sql.size());
    qsizetype copied = 0;
    for (const SecretLiteral& s : secrets) {
        out += QStringView(sql).mid(copied, s.begin - copied);
        out += s.shown;
        copied = s.begin + s.length;
    }
    out += QStringView(sql).mid(copied);
    return out;
}

AutomationError withoutSecrets(const AutomationError& e, const QString& sql) {
    return AutomationError(e.number(), e.source(), withoutSecrets(e.description(), sql));
}

// An engine's message about a statement, which may quote the statement or its values:
// what the trace hides never shows in it. PostgreSQL repeats the line around the error
// ("LINE 1: ..." and a caret below, the word in the server's language), cut at either
// end, perhaps inside a literal: when the statement holds a secret that excerpt is left
// out whole.
QString withoutSecrets(QString text, const QString& sql) {
    const std::vector<SecretLiteral> literals = secretLiteralsOf(sql);
    if (literals.empty())
        return text;
    static const QRegularExpression excerpt(
        QStringLiteral("(^|\\n)[^\\n]*[0-9]+: [^\\n]*\\n *\\^ *(?=\\n|$)"));
    text.replace(excerpt, QString());
    // Engines quote the values they name ('x' or "x"): only a quoted whole value is
    // hidden. Hiding every occurrence of its characters would garble the message's own
    // words and so tell the password ("synta***" for a password "x").
    QStringList secrets;
    for (const SecretLiteral& l : literals)
        for (const QString& s : l.secrets)
            if (!s.isEmpty())
                secrets << u'\'' + QString(s).replace(u'\'', QStringLiteral("''")) + u'\''
                        << u'\'' + s + u'\'' << u'"' + s + u'"';
    // Longest first, so that no part of a longer one is left.
    std::sort(secrets.begin(), secrets.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& secret : secrets)
        text.replace(secret, secret.front() + QStringLiteral("***") + secret.back());
    return text.trimmed();
}

} // namespace ado
