// The program folder: the per-user folder that holds the start-up drawing,
// snapshots, temporary files, histories and VELMO.INI. It is $VELMO_HOME,
// else $XDG_DATA_HOME/velmo, else ~/.local/share/velmo.
#pragma once

#include <string>

struct ProgramDirState {
  std::string folder;      // UTF-8 path ending in '/'; empty until ProgramDir_Init
  std::string tempPrefix;  // CP932: folder + "#TMP" + 8 hex digits + "#"; empty until start-up sets it
};
extern ProgramDirState g_programDir;
void ProgramDir_Reset();

// Works out the folder from the environment and creates it when missing.
// Returns false (folder left empty) when it cannot be created.
bool ProgramDir_Init();

// True when a picture file name (CP932) names one of this run's temporary files.
bool IsTempFileName(const std::string& name);
