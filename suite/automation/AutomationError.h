#pragma once

#include <QString>
#include <exception>
#include <string>

namespace automation {

/// The one failure type of the suite and its components: an automation error with a
/// 32-bit number, the source that raised it and a description. Every layer throws it;
/// only the user-interface edge catches it to show it.
class AutomationError : public std::exception {
public:
    AutomationError(qint32 number, QString source, QString description);

    qint32 number() const noexcept { return number_; }
    const QString& source() const noexcept { return source_; }
    const QString& description() const noexcept { return description_; }

    /// The same error under another source, as a re-raising operation reports it.
    AutomationError withSource(const QString& source) const;

    const char* what() const noexcept override { return what_.c_str(); }

private:
    qint32 number_;
    QString source_;
    QString description_;
    std::string what_;
};

} // namespace automation
