#include "transfer/StatusDlg.h"

#include "transfer/ElidedLabel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <climits>

namespace {

// QProgressBar counts in int; byte counts of large files do not fit, so both
// ends are scaled down together. An empty range shows an empty bar rather than
// Qt's busy animation.
void SetBar(QProgressBar* bar, int64_t range, int64_t position)
{
    if (range <= 0) {
        bar->setRange(0, 1);
        bar->setValue(0);
        return;
    }
    const int64_t divisor = range / INT_MAX + 1;
    bar->setRange(0, static_cast<int>(range / divisor));
    bar->setValue(static_cast<int>(position / divisor));
}

CElidedLabel* MakeMessageLabel(QWidget* parent, const char* name)
{
    auto* label = new CElidedLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QProgressBar* MakeBar(QWidget* parent, const char* name)
{
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    SetBar(bar, 0, 0);
    return bar;
}

} // namespace

CStatusDlg::CStatusDlg(std::shared_ptr<CStatusDialogChannel> channel, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), m_pChannel(std::move(channel))
{
    setWindowTitle(QStringLiteral("Status"));
    setModal(false);

    m_pMessage1 = MakeMessageLabel(this, "message1");
    m_pMessage2 = MakeMessageLabel(this, "message2");
    m_pFileBar = MakeBar(this, "fileBar");
    m_pMessage3 = MakeMessageLabel(this, "message3");
    m_pOverallBar = MakeBar(this, "overallBar");
    m_pFileFigures = MakeMessageLabel(this, "fileFigures");
    m_pActionFigures = MakeMessageLabel(this, "actionFigures");
    m_pCancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Enter must not cancel a transfer by accident.
    m_pCancelButton->setAutoDefault(false);
    connect(m_pCancelButton, &QPushButton::clicked, this, &CStatusDlg::OnCancel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pCancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pMessage1);
    layout->addWidget(m_pMessage2);
    layout->addWidget(m_pFileBar);
    layout->addWidget(m_pMessage3);
    layout->addWidget(m_pOverallBar);
    // The figures fill the room below the bars; the texts above keep their places.
    layout->addSpacing(8);
    layout->addWidget(m_pFileFigures);
    layout->addWidget(m_pActionFigures);
    layout->addStretch();
    layout->addLayout(buttons);

    m_pOverallBar->hide();
    resize(560, 180);

    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CStatusDlg::Refresh);
    m_refreshTimer.start();
}

void CStatusDlg::CenterOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void CStatusDlg::OnCancel()
{
    m_bCancelled = 1;
    if (m_pChannel)
        m_pChannel->RequestCancel();
}

// Escape: the worker closes the window once it sees the flag.
void CStatusDlg::reject() { OnCancel(); }

void CStatusDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_pCancelButton->show();
}

void CStatusDlg::closeEvent(QCloseEvent* event)
{
    if (m_bDismissed) {
        event->accept();
        return;
    }
    OnCancel();
    event->ignore();
}

bool CStatusDlg::TakesQuestions() const
{
    return isVisible() && !m_bDismissed && m_pChannel && !m_pChannel->IsDetached();
}

void CStatusDlg::Refresh()
{
    if (m_bDismissed) {
        Dismiss();
        return;
    }
    if (!m_pChannel)
        return;
    if (m_pChannel->IsDetached()) {
        Dismiss();
        return;
    }
    StatusDialogState state;
    if (m_pChannel->TakeChanges(state))
        ApplyState(state);
    ShowFiguresWhenDue();
}

void CStatusDlg::ShowFiguresWhenDue()
{
    if (!m_bFiguresPending || (m_figuresShown.isValid() && m_figuresShown.elapsed() < kFiguresMs))
        return;
    m_pFileFigures->SetText(m_strFileFigures);
    m_pActionFigures->SetText(m_strActionFigures);
    m_bFiguresPending = false;
    m_figuresShown.start();
    ++m_nFiguresUpdateCount;
}

void CStatusDlg::ApplyState(const StatusDialogState& state)
{
    m_pMessage1->SetText(QString::fromStdString(state.message1));
    m_pMessage2->SetText(QString::fromStdString(state.message2));
    m_pMessage3->SetText(QString::fromStdString(state.message3));
    SetBar(m_pFileBar, state.fileRange, state.filePos);
    SetBar(m_pOverallBar, state.overallRange, state.overallPos);
    m_pOverallBar->setVisible(state.overallVisible);
    const QString fileFigures = QString::fromStdString(state.fileFigures);
    const QString actionFigures = QString::fromStdString(state.actionFigures);
    if (fileFigures != m_strFileFigures || actionFigures != m_strActionFigures) {
        m_strFileFigures = fileFigures;
        m_strActionFigures = actionFigures;
        m_bFiguresPending = true;
    }
    if (state.shown && !isVisible())
        show();
    ++m_nUpdateCount;
}

void CStatusDlg::Dismiss()
{
    m_bDismissed = true;
    hide();
    // A question open on this window would go with it, its answer lost; the
    // refresh timer looks again until it is closed.
    if (HasOpenChildWindow())
        return;
    m_refreshTimer.stop();
    deleteLater();
}

bool CStatusDlg::HasOpenChildWindow() const
{
    for (const QObject* child : children()) {
        const auto* widget = qobject_cast<const QWidget*>(child);
        if (widget != nullptr && widget->isWindow() && widget->isVisible())
            return true;
    }
    return false;
}
