#include "panes/PaneDrop.h"

#include "panes/DragData.h"

#include <QDrag>
#include <QDropEvent>
#include <QMetaObject>

#include <memory>

namespace {

bool WantsMove(Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ShiftModifier) && !(modifiers & Qt::ControlModifier);
}

} // namespace

std::optional<CPaneDrop::Source> CPaneDrop::Read(const QDropEvent& event, const CSiteList& sites, const Place& place)
{
    if (place.location == LOCATION_NONE || event.mimeData() == nullptr)
        return std::nullopt;
    std::optional<DroppedItems> items = ReadDropData(*event.mimeData(), sites);
    if (!items)
        return std::nullopt;
    Source source;
    source.entries = std::move(items->entries);
    source.site = items->site;
    source.move = WantsMove(event.modifiers()) && (event.possibleActions() & Qt::MoveAction) &&
                  source.entries.front()->m_byLocation == LOCATION_LOCAL;
    if (CClipboardCommands::IsDropOntoItself(source, place))
        return std::nullopt;
    return source;
}

bool CPaneDrop::AnswerDragEnter(QDragEnterEvent* event, const CSiteList& sites)
{
    if (event->mimeData() == nullptr || !ReadDropData(*event->mimeData(), sites)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void CPaneDrop::AnswerDragOver(QDragMoveEvent* event, const CSiteList& sites, const Place& place)
{
    const std::optional<Source> source = Read(*event, sites, place);
    if (!source) {
        event->ignore();
        return;
    }
    event->setDropAction(source->move ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void CPaneDrop::StartDrag(QObject* source, QMimeData* data, bool local)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    drag->exec(local ? Qt::CopyAction | Qt::MoveAction : Qt::CopyAction, Qt::CopyAction);
}

void CPaneDrop::TakeDrop(QDropEvent* event, const CSiteList& sites, const Place& place, QObject* owner,
                         std::function<void(Source, const Place&)> drop)
{
    std::optional<Source> source = Read(*event, sites, place);
    if (!source) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // After the drag: the road may ask questions, which must not open while
    // the window system still holds the drag.
    auto taken = std::make_shared<Source>(std::move(*source));
    QMetaObject::invokeMethod(
        owner, [taken, place, drop = std::move(drop)] { drop(std::move(*taken), place); }, Qt::QueuedConnection);
}
