#pragma once
#include "common/Value.h"
#include "import/Pass.h"
