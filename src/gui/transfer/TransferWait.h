#pragma once

class CVamloDoc;

// Cancels a running transfer and waits for its worker to end, serving the
// GUI thread's events meanwhile: the worker may still ask a question that
// only this thread can show.
void CancelAndWaitForTransfer(CVamloDoc& doc);
