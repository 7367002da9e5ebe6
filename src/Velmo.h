// The program assembled: one call that returns every module to its start-up
// state, so that a test (or a new run of the command line) begins afresh.
#pragma once

void VelmoReset();
// Installs every hook of g_wiring, the operations' handlers and the menu
// commands (VelmoReset ends with it).
void WireVelmo();
