#pragma once

// The program's core, main frame and document as the GUI tests build them:
// scripted prompts, settings and (unless a test gives another) the clipboard
// in memory, and a program directory of their own.

#include "app/VamloDoc.h"
#include "ui/MainFrame.h"

#include "MemoryServices.h"
#include "ScriptedPrompts.h"
#include "ShortTimeoutApp.h"
#include "TempDir.h"

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
