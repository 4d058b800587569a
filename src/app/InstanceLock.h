#pragma once

#include <QString>

namespace autovelt::inline app {

// One importer per installation: two importers on one set of databases would allocate
// the same member numbers and send the same emails. The lock is an advisory lock on a
// file in the installation folder, held for the life of the process and released by the
// system however the process ends.
class InstanceLock {
public:
    explicit InstanceLock(const QString& installationFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    bool acquired() const { return fd_ >= 0; }
    // Why the lock was not acquired.
    const QString& problem() const { return problem_; }

private:
    int fd_ = -1;
    QString problem_;
};

}  // namespace autovelt::app
