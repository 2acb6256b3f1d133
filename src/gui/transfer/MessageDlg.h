#pragma once

#include "app/Prompts.h"

#include <QDialog>
#include <QString>
#include <cstdint>

class CElidedLabel;
class QPushButton;

// The modal "Message" question before a file is replaced: Yes (the default),
// Yes to All, No and Cancel. The answer is the pair (dialog result,
// m_nChoice); Cancel, Escape and closing the window reject with choice 0.
class CMessageDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMessageDlg(QWidget* parent = nullptr);

    // The labels take these texts each time the dialog is shown.
    void setVisible(bool visible) override;

    int32_t m_nChoice = REPLACE_NO_ANSWER;
    QString m_strMessage1;
    QString m_strMessage2;

public slots:
    // Yes or Enter.
    void accept() override;
    void OnYesToAll();
    void OnNo();

private:
    CElidedLabel* m_pMessage1 = nullptr;
    CElidedLabel* m_pMessage2 = nullptr;
    QPushButton* m_pYesButton = nullptr;
};

// Asks the replace question modally on the GUI thread and gives the answer.
ReplaceAnswer AskReplaceQuestion(QWidget* parent, const QString& message1, const QString& message2);
