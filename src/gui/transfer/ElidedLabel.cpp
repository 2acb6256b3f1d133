#include "transfer/ElidedLabel.h"

#include <QPainter>
#include <QResizeEvent>

CElidedLabel::CElidedLabel(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CElidedLabel::SetText(const QString& text)
{
    if (text == m_strText)
        return;
    m_strText = text;
    setAccessibleName(text);
    UpdateToolTip();
    updateGeometry();
    update();
}

QString CElidedLabel::DisplayedText() const
{
    return fontMetrics().elidedText(m_strText, Qt::ElideMiddle, contentsRect().width());
}

QSize CElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(m_strText) + margins.left() + margins.right(),
            fontMetrics().height() + margins.top() + margins.bottom()};
}

QSize CElidedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    return {margins.left() + margins.right(), fontMetrics().height() + margins.top() + margins.bottom()};
}

void CElidedLabel::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, DisplayedText());
}

void CElidedLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UpdateToolTip();
}

void CElidedLabel::UpdateToolTip()
{
    setToolTip(IsElided() ? m_strText : QString());
}
