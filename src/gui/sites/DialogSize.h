#pragma once

class ISettingsStore;
class QWidget;

// A dialog's size kept in the program's settings under a value name of its
// own, as "width,height". Nothing happens without a store, and a stored text
// that is not a sensible size is ignored.
void RestoreDialogSize(QWidget& dialog, ISettingsStore* store, const char* valueName);
void SaveDialogSize(const QWidget& dialog, ISettingsStore* store, const char* valueName);
