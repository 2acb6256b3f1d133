#pragma once

#include "sites/SiteInfoDlg.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

// Answers the next modal dialog of type T that opens: fn gets it while its
// event loop runs (fn accepts or rejects it). Gives up after timeoutMs. The
// watcher it returns may be deleted to stop waiting sooner.
template <typename T>
QPointer<QTimer> AnswerNextDialog(std::function<void(T&)> fn, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, waited, fn, timeoutMs] {
        *waited += 20;
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            fn(*dialog);
        } else if (*waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
    return timer;
}

// Types name into a file dialog's name box in folder, as the user does, and
// presses Save with the dialog's own checks. selectFile() leaves the box alone
// while it has the focus, and which widget has it depends on what ran before.
// A dialog that stays open is a failure, never a hang.
inline void SaveInFileDialog(QFileDialog& dialog, const std::string& folder, const char* name)
{
    dialog.setDirectory(QString::fromStdString(folder));
    if (auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        box->setText(QString::fromLatin1(name));
    else
        dialog.selectFile(QString::fromLatin1(name));
    static_cast<QDialog&>(dialog).accept();   // QFileDialog::accept
    if (dialog.isVisible()) {
        ADD_FAILURE() << "the file dialog did not take " << name;
        dialog.reject();
    }
}

// Fills in the Login Window and confirms it.
inline void Login(CLoginDlg& dialog, const char* user, const char* password)
{
    dialog.findChild<QLineEdit*>(QStringLiteral("userName"))->setText(QString::fromLatin1(user));
    dialog.findChild<QLineEdit*>(QStringLiteral("password"))->setText(QString::fromLatin1(password));
    dialog.accept();
}

// The small window with Cancel that a long network action shows, once it is
// up; nullptr when none came within timeoutMs.
inline QProgressDialog* WaitForProgressWindow(int timeoutMs = 10000)
{
    QProgressDialog* found = nullptr;
    (void)QTest::qWaitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == QStringLiteral("NetActionProgress") && widget->isVisible())
                found = qobject_cast<QProgressDialog*>(widget);
        return found != nullptr;
    }, timeoutMs);
    return found;
}
