#include "services/SecretQuestion.h"

#include "transfer/QuestionParent.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QPointer>

bool AskSecretQuestion(QWidget* parent, const QString& title, const QString& text, QString& secret)
{
    // On the heap and watched, as the other questions: a parent that goes
    // away takes the box along, and that counts as Cancel.
    QPointer<QInputDialog> box = new QInputDialog(parent);
    KeepAboveParent(box);
    box->setObjectName(QStringLiteral("SecretQuestion"));
    box->setWindowTitle(title);
    box->setLabelText(text);
    box->setInputMode(QInputDialog::TextInput);
    box->setTextEchoMode(QLineEdit::Password);
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box->exec();
    if (waiting)
        QApplication::restoreOverrideCursor();
    if (box == nullptr)
        return false;
    const bool answered = result == QDialog::Accepted;
    if (answered)
        secret = box->textValue();
    box->setTextValue(QString());
    delete box;
    return answered;
}
