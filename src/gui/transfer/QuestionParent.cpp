#include "transfer/QuestionParent.h"

#include "transfer/StatusDlg.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>

QWidget* QuestionParent(QWidget* fallback)
{
    // One transfer runs at a time; should two windows be up, either will
    // do, since each stays on top.
    CStatusDlg* status = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* candidate = qobject_cast<CStatusDlg*>(widget);
        if (candidate != nullptr && candidate->TakesQuestions())
            status = candidate;
    }
    return status != nullptr ? status : fallback;
}

int ExecQuestion(QDialog* dialog)
{
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = dialog->exec();
    if (waiting)
        QApplication::restoreOverrideCursor();
    return result;
}

void KeepAboveParent(QWidget* dialog)
{
    const QWidget* parent = dialog->parentWidget();
    if (parent != nullptr && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
}
