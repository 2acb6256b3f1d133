#include "log/RichEditViewActionLog.h"

#include "log/ActionLog.h"
#include "log/CourierFont.h"
#include "log/PaneCaption.h"

#include <QAbstractTextDocumentLayout>
#include <QMetaObject>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

CRichEditViewActionLog::CRichEditViewActionLog(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("actionLogView"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Log lines keep their layout; long ones scroll sideways.
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setFont(CourierFont(kFontPointSize));
}

CRichEditViewActionLog::~CRichEditViewActionLog()
{
    if (m_pLog != nullptr)
        m_pLog->SetLogView(nullptr);
}

void CRichEditViewActionLog::AttachToLog(CActionLog* log)
{
    if (m_pLog != nullptr && m_pLog != log)
        m_pLog->SetLogView(nullptr);
    m_pLog = log;
    if (m_pLog != nullptr)
        m_pLog->SetLogView(this);
}

void CRichEditViewActionLog::SetLogText(const std::string& wholeText)
{
    // Converted here, on the caller's thread: the GUI thread only inserts.
    QMetaObject::invokeMethod(
        this, [this, text = QString::fromStdString(wholeText)] { ReplaceText(text); }, Qt::QueuedConnection);
}

void CRichEditViewActionLog::AppendLogText(const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, line = QString::fromStdString(text)] { AppendText(line); }, Qt::QueuedConnection);
}

QString CRichEditViewActionLog::LogText() const
{
    // Not toPlainText(): that turns non-breaking spaces, which file names may
    // hold, into plain ones.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

bool CRichEditViewActionLog::IsScrolledToEnd() const
{
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

void CRichEditViewActionLog::ScrollToEnd()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CRichEditViewActionLog::ReplaceText(const QString& text)
{
    const bool follow = IsScrolledToEnd();
    setPlainText(text);
    if (follow)
        ScrollToEnd();
}

void CRichEditViewActionLog::AppendText(const QString& text)
{
    if (text.isEmpty())
        return;
    const bool follow = IsScrolledToEnd();
    // A cursor of its own: the user's selection stays where it is, and no
    // paragraph break is added the way appendPlainText would.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    if (follow)
        ScrollToEnd();
}

void CRichEditViewActionLog::PrintLog(QPrinter& printer) const
{
    const qreal m = kPrintMarginInches;
    printer.setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Inch);

    // A plain document laid out on the printer's page: without a page size
    // of its own, printing would add its own margins to the printer's.
    QTextDocument doc;
    doc.setDefaultFont(font());
    doc.setDocumentMargin(0);
    doc.setPlainText(LogText());
    doc.documentLayout()->setPaintDevice(&printer);
    doc.setPageSize(printer.pageLayout().paintRectPixels(printer.resolution()).size());
    doc.print(&printer);
}

void CRichEditViewActionLog::ShowPrintPreview(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, parent);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) { PrintLog(*target); });
    preview.exec();
}

CCaptionedPane* CreateActionLogPane(CRichEditViewActionLog* view, QWidget* parent)
{
    return new CCaptionedPane(QStringLiteral("FTP Action Status Log View"), view, parent);
}
