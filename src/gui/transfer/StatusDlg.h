#pragma once

#include "transfer/StatusDialogChannel.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <memory>

class CElidedLabel;
class QProgressBar;
class QPushButton;

// The modeless, always-on-top "Status" window of a running transfer: three
// message lines, the file bar, the overall bar and Cancel. It lives on the GUI
// thread and reads its state from the channel that the worker writes; Cancel,
// Escape and closing the window only raise the cancel flag, and the window
// deletes itself when the worker detaches (so it is always made with new),
// but not before a question that sits on it has been answered.
class CStatusDlg : public QDialog {
    Q_OBJECT

public:
    explicit CStatusDlg(std::shared_ptr<CStatusDialogChannel> channel, QWidget* parent = nullptr);

    void CenterOnScreen();
    // How many times the widgets took a new state (for tests of the coalescing).
    int UpdateCount() const { return m_nUpdateCount; }
    // How many times the speed and time-left lines changed (for tests).
    int FiguresUpdateCount() const { return m_nFiguresUpdateCount; }
    // On screen for a worker that still holds it: questions open on it.
    bool TakesQuestions() const;

    int32_t m_bCancelled = 0;

    // The refresh period: about 30 updates a second at most.
    static constexpr int kRefreshMs = 33;
    // Speed and time left move with every block: shown at this pace at most
    // they stay readable, and they trail the byte counts by no more.
    static constexpr int kFiguresMs = 250;

public slots:
    void OnCancel();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Refresh();
    void ApplyState(const StatusDialogState& state);
    void ShowFiguresWhenDue();
    void Dismiss();
    bool HasOpenChildWindow() const;

    std::shared_ptr<CStatusDialogChannel> m_pChannel;
    QTimer m_refreshTimer;
    CElidedLabel* m_pMessage1 = nullptr;
    CElidedLabel* m_pMessage2 = nullptr;
    CElidedLabel* m_pMessage3 = nullptr;
    QProgressBar* m_pFileBar = nullptr;
    QProgressBar* m_pOverallBar = nullptr;
    CElidedLabel* m_pFileFigures = nullptr;
    CElidedLabel* m_pActionFigures = nullptr;
    QPushButton* m_pCancelButton = nullptr;
    QString m_strFileFigures;   // the newest figures, shown when due
    QString m_strActionFigures;
    bool m_bFiguresPending = false;
    QElapsedTimer m_figuresShown;
    int m_nUpdateCount = 0;
    int m_nFiguresUpdateCount = 0;
    bool m_bDismissed = false;
};
