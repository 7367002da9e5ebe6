// The view transform and the canvas primitives. For now the context type only.
#pragma once

#include "model/GContext.h"
