#pragma once

#include <QLabel>
#include <QWidget>

class QVBoxLayout;

// The framed bar with a pane's name ("Folders", "FTP Action Status Log View")
// above the pane's view. It only shows text; it takes no focus.
class CPaneCaption : public QLabel {
    Q_OBJECT

public:
    explicit CPaneCaption(const QString& caption = QString(), QWidget* parent = nullptr);
};

// A caption bar on top and one view below it, filling the rest. The pane
// owns the view once it is given.
class CCaptionedPane : public QWidget {
    Q_OBJECT

public:
    explicit CCaptionedPane(const QString& caption, QWidget* view = nullptr, QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    QString caption() const;

    // Replaces the view below the caption; the old one is deleted.
    void setView(QWidget* view);
    QWidget* view() const { return m_pView; }
    CPaneCaption* captionBar() const { return m_pCaption; }

private:
    QVBoxLayout* m_pLayout = nullptr;
    CPaneCaption* m_pCaption = nullptr;
    QWidget* m_pView = nullptr;
};
