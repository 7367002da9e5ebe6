#include "kernel/Wiring.h"

Wiring g_wiring;
