#pragma once

// The program's core, main frame and document as the GUI tests build them:
// scripted prompts, settings and (unless a test gives another) the clipboard
// in memory, and a program directory of their own.

#include "app/VamloDoc.h"
#include "frame/MainFrame.h"
#include "net/NetActions.h"

#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "ShortTimeoutApp.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <memory>

struct GuiProgram {
    GuiProgram() = default;
    ~GuiProgram() { TearDownProgram(); }
    GuiProgram(const GuiProgram&) = delete;
    GuiProgram& operator=(const GuiProgram&) = delete;

    void BuildProgram(IClipboard* clipboardToUse = nullptr)
    {
        app.m_pPrompts = &prompts;
        app.m_pSettings = &settings;
        app.m_pClipboard = clipboardToUse != nullptr ? clipboardToUse : &clipboard;
        app.SetPaths(MakeAppPaths(home.Path()));
        app.RegisterClipboardFormat();
        frame = std::make_unique<CMainFrame>(&app);
        doc = std::make_unique<CVamloDoc>(app);
        doc->SetSiteListOwner(frame.get());
        frame->SetDocument(doc.get());
    }

    // Lets the window's short network actions run to their end (and those
    // they start in turn); false when they are still running after the limit.
    bool WaitForNetIdle(int limitMs = 20000)
    {
        const QDeadlineTimer limit(limitMs);
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            if (frame->NetActions()->IsIdle()) {
                // Their last posted texts and hints are delivered too.
                QCoreApplication::processEvents();
                if (frame->NetActions()->IsIdle())
                    return true;
            }
            if (limit.hasExpired())
                return false;
            QTest::qWait(2);
        }
    }

    // The frame goes first: it holds the views, and they use the document.
    void TearDownProgram()
    {
        frame.reset();
        doc.reset();
    }

    TempDir home;
    ScriptedPrompts prompts;
    MemorySettingsStore settings;
    MemoryClipboard clipboard;
    ShortTimeoutApp app;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<CVamloDoc> doc;
};
