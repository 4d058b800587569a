#pragma once
#include "common/Value.h"
#include "state/Other.h"
#include "import/Pass.h"
namespace autovelt::inline common { class Value; }
