#pragma once

#include "commands/Commands.h"

#include <functional>

class CVamloDoc;
class QAction;
class QWidget;

// What a module that adds commands to the window may ask of it, so that it
// needs no knowledge of the main frame itself.
class ICommandHost {
public:
    virtual QAction* Command(CommandId id) const = 0;
    // A command is enabled while its predicate holds.
    virtual void SetCommandEnabler(CommandId id, std::function<bool()> enabled) = 0;
    virtual void UpdateCommandStates() = 0;
    virtual CVamloDoc* GetDocument() const = 0;
    // The window itself, as the parent of dialogs and the thing captured.
    virtual QWidget* HostWindow() = 0;

protected:
    ~ICommandHost() = default;
};
