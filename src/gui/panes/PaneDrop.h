#pragma once

#include "model/SiteList.h"
#include "panes/ClipboardCommands.h"

#include <functional>
#include <optional>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QMimeData;
class QObject;

// What the tree and the list do alike while entries are dragged over them and
// dropped: Shift moves (local entries only), Ctrl or no key copies, and a drop
// runs the Paste road once the drag has ended.
class CPaneDrop {
public:
    using Place = CClipboardCommands::PastePlace;
    using Source = CClipboardCommands::PasteSource;

    // Starts dragging data (owned by the drag) out of source. Local entries
    // may be moved by the drop; entries on a site are only ever copied.
    static void StartDrag(QObject* source, QMimeData* data, bool local);

    // A drag coming in is taken while it brings anything usable; whether it
    // may drop depends on the point, which the moves answer.
    static bool AnswerDragEnter(QDragEnterEvent* event, const CSiteList& sites);
    // Accepts the drag with the action a drop would take, or refuses it when
    // the place is no folder, the data holds nothing usable, or the entries
    // would land in their own folder.
    static void AnswerDragOver(QDragMoveEvent* event, const CSiteList& sites, const Place& place);

    // Takes the dropped entries and, queued on owner, hands them to drop. The
    // source program is told "copied" in every case: the move, when there is
    // one, is done here, once the copy succeeded.
    static void TakeDrop(QDropEvent* event, const CSiteList& sites, const Place& place, QObject* owner,
                         std::function<void(Source, const Place&)> drop);

private:
    static std::optional<Source> Read(const QDropEvent& event, const CSiteList& sites, const Place& place);
};
