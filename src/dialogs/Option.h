// The settings dialog ("環境設定"): the drawing settings of the current
// window on seven pages, OK with its limits, Cancel restoring the settings
// exactly, system save to the start-up file, and the rescaling that keeps
// real sizes when the basic or a group's scale changes.
#pragma once

#include <string>

#include "kernel/DialogForm.h"
#include "model/PVC.h"

struct OptionState {
  TOptionForm form;
};
extern OptionState g_option;
void Option_Reset();

// Shows the dialog on the page of that caption; true after OK.
bool ShowOption(const std::string& page);
// The form from the settings, and back (with the limits of OK: scales, names
// of 16 bytes, dimension values, text sizes and pens). False, with a beep
// and the settings untouched, when the basic scale reads 0.
void LoadOptionForm(const TPVC& pvc, TOptionForm& form);
bool StoreOptionForm(const TOptionForm& form, TPVC& pvc);
// Whether two settings differ in anything the dialog edits.
bool SettingsDiffer(const TPVC& a, const TPVC& b);
// The cells rescaled from the old settings' scales to the new ones, so that
// real sizes stay; one undo step of its own.
void ApplySettingsChange(const TPVC& old, const TPVC& now);
