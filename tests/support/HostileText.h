#pragma once

#include <QList>
#include <QString>

namespace testsupport {

/// Texts a user types, or another program stores, where the component shows, stores or
/// prints text: each must come back exactly as written, never read as markup, format
/// placeholders or SQL.
struct HostileText {
    const char* what;
    QString text;
};

inline const QList<HostileText>& hostileTexts() {
    static const QList<HostileText> texts = {
        {"bold markup", QStringLiteral("<b>x</b>")},
        {"an image from a device that never ends", QStringLiteral("<img src=\"/dev/zero\">")},
        {"quotes", QStringLiteral("O'Brien \"el Bueno\"")},
        {"placeholders and a backslash", QStringLiteral("%1 %2 \\ 50%")},
        {"a line break", QStringLiteral("dos\nlíneas")},
        {"not Latin", QStringLiteral("東京 Ñandú")},
        {"the longest a name takes", QString(QStringLiteral("Nombre muy largo ")).repeated(15)},
    };
    return texts;
}

/// A text as a SQL literal, quotes doubled (for seeding the database with it).
inline QString sqlLiteral(QString text) {
    return u'\'' + text.replace(u'\'', QStringLiteral("''")) + u'\'';
}

} // namespace testsupport
