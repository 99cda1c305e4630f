#include "AutomationError.h"

namespace automation {

AutomationError::AutomationError(qint32 number, QString source, QString description)
    : number_(number), source_(std::move(source)), description_(std::move(description)),
      what_(QStringLiteral("error %1 (%2): %3")
                .arg(number_)
                .arg(source_, description_)
                .toStdString()) {}

AutomationError AutomationError::withSource(const QString& source) const {
    return AutomationError(number_, source, description_);
}

} // namespace automation
