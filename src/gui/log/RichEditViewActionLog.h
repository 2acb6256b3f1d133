#pragma once

#include "log/LogViewSink.h"

#include <QPlainTextEdit>

class CActionLog;
class QPrinter;

// The bottom pane: the FTP action status log, read-only (the user can select
// and copy). The log calls the sink from any thread, transfer workers
// included, and sometimes while it holds its own lock, so the sink methods
// only post the text to the GUI thread and return: they never wait for it.
// Posted calls run in the order they were posted, which the log's lock makes
// the order of its lines.
class CRichEditViewActionLog : public QPlainTextEdit, public ILogViewSink {
    Q_OBJECT

public:
    static constexpr qreal kFontPointSize = 12;
    static constexpr qreal kPrintMarginInches = 0.5;

    explicit CRichEditViewActionLog(QWidget* parent = nullptr);
    // Detaches from the log first, so that no worker reaches a dead view.
    ~CRichEditViewActionLog() override;

    // Makes this the log's view (null detaches); nothing is shown of what
    // was logged before. The log must outlive the view or be detached first.
    void AttachToLog(CActionLog* log);

    // ILogViewSink, safe from any thread.
    void SetLogText(const std::string& wholeText) override;
    void AppendLogText(const std::string& text) override;

    // The text the user sees, line breaks as single "\n".
    QString LogText() const;

    // Prints the log with half-inch margins on all four sides.
    void PrintLog(QPrinter& printer) const;
    // The print preview of the log, modal over parent.
    void ShowPrintPreview(QWidget* parent);

private:
    void ReplaceText(const QString& text);
    void AppendText(const QString& text);
    bool IsScrolledToEnd() const;
    void ScrollToEnd();

    CActionLog* m_pLog = nullptr;
};

// The log view under its caption bar, "FTP Action Status Log View".
class CCaptionedPane;
CCaptionedPane* CreateActionLogPane(CRichEditViewActionLog* view, QWidget* parent = nullptr);
