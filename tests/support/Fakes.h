#pragma once

#include "tests/support/Harness.h"
