// The program assembled: one call that returns every module to its start-up
// state, so that a test (or a new run of the command line) begins afresh.
#pragma once

void VelmoReset();
