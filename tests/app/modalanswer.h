#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal dialog once its own event loop runs: the test drives the real dialog.
inline void AnswerNextModal(std::function<void(QWidget*)> answer, int attempts = 200)
{
    QTimer::singleShot(0, qApp, [answer = std::move(answer), attempts]() mutable {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            answer(modal);
            return;
        }
        if (attempts > 0)
            AnswerNextModal(std::move(answer), attempts - 1);
    });
}
