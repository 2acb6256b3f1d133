#include "services/CertificateQuestion.h"

#include "transfer/QuestionParent.h"

#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

CertificateAnswer AskCertificateQuestion(QWidget* parent, const QString& text, bool changed)
{
    // On the heap and watched, as the other questions: a parent that goes
    // away takes the box along, and that counts as Cancel.
    QPointer<QMessageBox> box = new QMessageBox(parent);
    KeepAboveParent(box);
    box->setObjectName(QStringLiteral("CertificateQuestion"));
    box->setWindowTitle(changed ? QStringLiteral("Vamlo - Security Warning") : QStringLiteral("Vamlo"));
    box->setIcon(changed ? QMessageBox::Warning : QMessageBox::Question);
    box->setText(text);
    // Wide enough that a fingerprint stays on its line.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 34em; }"));
    QPushButton* once = box->addButton(QStringLiteral("Accept Once"), QMessageBox::AcceptRole);
    QPushButton* always = box->addButton(QStringLiteral("Always"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    ExecQuestion(box);
    CertificateAnswer answer = CertificateAnswer::Cancel;
    if (box != nullptr) {
        if (box->clickedButton() == once)
            answer = CertificateAnswer::AcceptOnce;
        else if (box->clickedButton() == always)
            answer = CertificateAnswer::Always;
        delete box;
    }
    return answer;
}
