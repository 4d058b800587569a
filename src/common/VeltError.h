#pragma once

#include <QString>
#include <exception>
#include <string>

namespace autovelt::inline common {

// A run-time error as the routines' error exits report it: a number, the routine or
// component that raised it, and a description. Database, registry and dialect helpers
// raise it; each main routine catches it at its own error exit.
class VeltError : public std::exception {
public:
    VeltError(long number, QString source, QString description)
        : number_(number), source_(std::move(source)), description_(std::move(description)),
          what_(description_.toStdString()) {}

    // An error of the surroundings rather than of the data: a lost connection, a locked
    // or read-only database, a full disk. Retrying the same work later may succeed.
    VeltError& markEnvironmental() { environmental_ = true; return *this; }
    bool environmental() const { return environmental_; }

    long number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    long number_;
    QString source_;
    QString description_;
    std::string what_;
    bool environmental_ = false;
};

}  // namespace autovelt::common
