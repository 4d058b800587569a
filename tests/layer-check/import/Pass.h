#pragma once
#include "common/Value.h"
#include "state/Upward.h"
namespace autovelt {
}
