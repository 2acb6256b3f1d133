#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// A long step on the local disk, run on the window's thread (the disk has
// no socket to wait on, and its questions come in order): the step asks
// Canceled() now and then. That lets the window paint and, after a moment,
// shows a small window with Cancel, modal so that nothing else starts
// meanwhile.
class CLocalProgress {
public:
    static constexpr int kShowAfterMs = 300;

    CLocalProgress(QWidget* window, QString doing);
    ~CLocalProgress();
    CLocalProgress(const CLocalProgress&) = delete;
    CLocalProgress& operator=(const CLocalProgress&) = delete;

    bool Canceled();
    bool WasCanceled() const { return m_bCanceled; }

private:
    QPointer<QWidget> m_window;
    QString m_strDoing;
    QElapsedTimer m_clock;
    qint64 m_lastServedMs = 0;
    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_bCanceled = false;
};
