#pragma once

class QDialog;
class QWidget;

// The window that a question or notice opens on. A Status window stays above
// every other window, so a box on the main window could open behind it and
// the transfer would seem to hang: while a Status window is up for a running
// worker, questions sit on it instead of on fallback.
QWidget* QuestionParent(QWidget* fallback);

// A dialog on a window that stays on top stays on top too, so that no window
// manager can put it below its parent.
void KeepAboveParent(QWidget* dialog);

// Runs the question's own loop; a wait cursor must not hide the arrow over it.
int ExecQuestion(QDialog* dialog);
