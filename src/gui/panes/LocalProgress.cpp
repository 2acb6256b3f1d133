#include "panes/LocalProgress.h"

#include "transfer/QuestionParent.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// Often enough to paint and to hear Cancel, seldom enough to cost nothing.
constexpr qint64 kServeEveryMs = 30;

} // namespace

CLocalProgress::CLocalProgress(QWidget* window, QString doing) : m_window(window), m_strDoing(std::move(doing))
{
    m_clock.start();
}

CLocalProgress::~CLocalProgress() = default;

bool CLocalProgress::Canceled()
{
    if (m_bCanceled)
        return true;
    const qint64 now = m_clock.elapsed();
    if (now - m_lastServedMs < kServeEveryMs)
        return false;
    m_lastServedMs = now;
    if (!m_dialog && now >= kShowAfterMs) {
        m_dialog = std::make_unique<QProgressDialog>(m_strDoing, QStringLiteral("Cancel"), 0, 0,
                                                     QuestionParent(m_window));
        m_dialog->setObjectName(QStringLiteral("LocalProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Vamlo"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        KeepAboveParent(m_dialog.get());
        m_dialog->show();
    }
    QCoreApplication::processEvents();
    m_bCanceled = m_dialog && m_dialog->wasCanceled();
    return m_bCanceled;
}
