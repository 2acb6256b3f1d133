#pragma once

#include <QString>
#include <QWidget>

// One line of plain text that never asks its window for more width: when the
// text does not fit, the middle is elided (a path keeps its root and its file
// name) and the full text becomes the tooltip. Texts that come from servers
// are painted as they are, never read as markup.
class CElidedLabel : public QWidget {
    Q_OBJECT

public:
    explicit CElidedLabel(QWidget* parent = nullptr);

    void SetText(const QString& text);
    const QString& Text() const { return m_strText; }
    // The text as painted at the current width.
    QString DisplayedText() const;
    bool IsElided() const { return DisplayedText() != m_strText; }

    // Wide enough for the whole text; a layout may give less.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateToolTip();

    QString m_strText;
};
