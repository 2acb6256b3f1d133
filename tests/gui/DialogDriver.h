#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <memory>

// Answers the next modal dialog of type T that opens: fn gets it while its
// event loop runs (fn accepts or rejects it). Gives up after timeoutMs.
template <typename T>
void AnswerNextDialog(std::function<void(T&)> fn, int timeoutMs = 10000)
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
}

// The name editor of a label edit that is open in view.
inline QLineEdit* OpenEditor(QWidget* view)
{
    for (QLineEdit* line : view->findChildren<QLineEdit*>())
        if (line->isVisible())
            return line;
    return nullptr;
}
