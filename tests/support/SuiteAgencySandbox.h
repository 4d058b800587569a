#pragma once

// One agency sandbox shared by every test of a suite: starting the program is the slow part,
// and each test clears the requests it recorded before looking at them.

#include "support/AgencySandbox.h"

#include <memory>

namespace autovelt::test {

template <class Fixture>
class WithSuiteAgencySandbox : public Fixture {
public:
    static void SetUpTestSuite() { sandbox_ = std::make_unique<AgencySandbox>(); }
    static void TearDownTestSuite() { sandbox_.reset(); }
    static AgencySandbox& sandbox() { return *sandbox_; }

private:
    static inline std::unique_ptr<AgencySandbox> sandbox_;
};

}  // namespace autovelt::test
