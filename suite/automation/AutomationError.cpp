#include "AutomationError.h"

namespace automation {

AutomationError::AutomationError(qint32 number, QString source, QString description)
    : number_(number), source_(std::move(source)), description_(std::move(description)),
      what_(QString(QStringLiteral("error ") + QString::number(number_) + QStringLiteral(" (") +
                    source_ + QStringLiteral("): ") + description_)
                .toStdString()) {}

AutomationError AutomationError::withSource(const QString& source) const {
    return AutomationError(number_, source, description_);
}

} // namespace automation
