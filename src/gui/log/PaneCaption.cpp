#include "log/PaneCaption.h"

#include <QVBoxLayout>

CPaneCaption::CPaneCaption(const QString& caption, QWidget* parent) : QLabel(caption, parent)
{
    setObjectName(QStringLiteral("paneCaption"));
    // A pane's name is shown as it is, never read as markup.
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setMargin(2);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

CCaptionedPane::CCaptionedPane(const QString& caption, QWidget* view, QWidget* parent) : QWidget(parent)
{
    m_pLayout = new QVBoxLayout(this);
    m_pLayout->setContentsMargins(0, 0, 0, 0);
    m_pLayout->setSpacing(0);
    m_pCaption = new CPaneCaption(caption, this);
    m_pLayout->addWidget(m_pCaption);
    if (view != nullptr)
        setView(view);
}

void CCaptionedPane::setCaption(const QString& caption) { m_pCaption->setText(caption); }

QString CCaptionedPane::caption() const { return m_pCaption->text(); }

void CCaptionedPane::setView(QWidget* view)
{
    if (view == m_pView)
        return;
    if (m_pView != nullptr) {
        m_pLayout->removeWidget(m_pView);
        delete m_pView;
    }
    m_pView = view;
    if (m_pView != nullptr) {
        m_pLayout->addWidget(m_pView, 1);
        setFocusProxy(m_pView);
    } else {
        setFocusProxy(nullptr);
    }
}
