#include "panes/EditTarget.h"

#include <QKeyEvent>

bool HandleEditKey(IEditTarget& target, QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        if (target.OnUpdateEditCopy())
            target.OnEditCopy();
    } else if (event->matches(QKeySequence::Paste)) {
        if (target.OnUpdateEditPaste())
            target.OnEditPaste();
    } else {
        return false;
    }
    event->accept();
    return true;
}
