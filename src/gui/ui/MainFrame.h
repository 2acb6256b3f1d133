#pragma once

#include "app/SiteListOwner.h"

#include <QMainWindow>

class CVamloDoc;

// The main window. It owns every site record (m_siteList); on closing it
// asks about unsaved site list changes, then disconnects and deletes them.
class CMainFrame : public QMainWindow, public CSiteListOwner {
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    void SetDocument(CVamloDoc* doc) { m_pDoc = doc; }
    CVamloDoc* GetDocument() const { return m_pDoc; }

    // Brings the window to the front for a second start of the program.
    void ActivateFromSecondInstance();

    int32_t m_bClosing = 0;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void DeleteSiteRecords();

    CVamloDoc* m_pDoc = nullptr;
};
