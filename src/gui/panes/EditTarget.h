#pragma once

class QKeyEvent;

// A pane that answers the Edit menu's Copy, Paste and Delete (and their keys and
// toolbar buttons) while it is the active pane.
class IEditTarget {
public:
    virtual ~IEditTarget() = default;

    virtual bool OnUpdateEditCopy() const = 0;
    virtual bool OnUpdateEditPaste() const = 0;
    virtual void OnEditCopy() = 0;
    virtual void OnEditPaste() = 0;
    virtual bool OnUpdateEditDelete() const = 0;
    virtual void OnEditDelete() = 0;
};

// The Copy and Paste keys pressed in a pane: they copy and paste files. An
// item view would otherwise take Copy to put a cell's text on the clipboard.
// True when the key was one of them.
bool HandleEditKey(IEditTarget& target, QKeyEvent* event);
