// Which run of the program owns a set of files. A run holds an exclusive
// lock on a lock file for as long as it lives; the system drops the lock
// when the process ends in any way, so a lock file nobody holds belongs to
// a run that is over (ended normally or crashed).
//
// Locks are whole-file advisory locks of the open file (flock): a second
// handle to the same file, even in the same process, does not share it.
#pragma once

#include <string>

// Creates the file when missing and locks it. Returns a handle (>= 0), or
// -1 when another handle holds the lock or the file cannot be opened.
int RunLockTake(const std::string& path);
// Unlocks and closes a handle from RunLockTake; -1 is ignored.
void RunLockRelease(int handle);
// True when some handle holds the lock on an existing file (or the file
// exists but cannot be opened to ask); false for a missing file.
bool RunLockHeld(const std::string& path);
