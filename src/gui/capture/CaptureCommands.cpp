#include "capture/CaptureCommands.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "capture/PrintWindow.h"
#include "capture/SaveWindowAs.h"
#include "commands/CommandHost.h"

#include <QAction>
#include <QWidget>

void ConnectCaptureCommands(ICommandHost& frame)
{
    const auto connectCommand = [&frame](CommandId id, void (*run)(QWidget&, CVamloDoc&)) {
        frame.SetCommandEnabler(id, [] { return true; });
        QObject::connect(frame.Command(id), &QAction::triggered, frame.HostWindow(), [&frame, run] {
            if (CVamloDoc* doc = frame.GetDocument())
                run(*frame.HostWindow(), *doc);
        });
    };
    connectCommand(ID_FILE_SAVE_WINDOW_AS, [](QWidget& window, CVamloDoc& doc) {
        SaveWindowAs(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
    connectCommand(ID_FILE_PRINT_WINDOW, [](QWidget& window, CVamloDoc& doc) {
        PrintWindow(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
    connectCommand(ID_FILE_PRINT_WINDOW_PREVIEW, [](QWidget& window, CVamloDoc& doc) {
        PrintWindowPreview(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
}
