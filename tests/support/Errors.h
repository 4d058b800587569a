#pragma once

#include "common/VeltError.h"

#include <QString>
#include <functional>

namespace autovelt::test {

// The error an action raises, as "number description", or "no error".
inline QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const VeltError& e) {
        return QString::number(e.number()) + QLatin1Char(' ') + e.description();
    }
    return QStringLiteral("no error");
}

}  // namespace autovelt::test
