#include "capture/CaptureCommands.h"

#include "app/AppCore.h"
#include "app/VamloDoc.h"
#include "capture/PrintWindow.h"
#include "capture/SaveWindowAs.h"
#include "ui/MainFrame.h"

#include <QAction>

void ConnectCaptureCommands(CMainFrame& frame)
{
    const auto connectCommand = [&frame](CommandId id, void (*run)(CMainFrame&, CVamloDoc&)) {
        frame.SetCommandEnabler(id, [] { return true; });
        QObject::connect(frame.Command(id), &QAction::triggered, &frame, [&frame, run] {
            if (CVamloDoc* doc = frame.GetDocument())
                run(frame, *doc);
        });
    };
    connectCommand(ID_FILE_SAVE_WINDOW_AS, [](CMainFrame& window, CVamloDoc& doc) {
        SaveWindowAs(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
    connectCommand(ID_FILE_PRINT_WINDOW, [](CMainFrame& window, CVamloDoc& doc) {
        PrintWindow(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
    connectCommand(ID_FILE_PRINT_WINDOW_PREVIEW, [](CMainFrame& window, CVamloDoc& doc) {
        PrintWindowPreview(&window, doc.m_capturedWindow, doc.App().Prompts());
    });
}
