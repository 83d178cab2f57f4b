#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <deque>
#include <functional>
#include <utility>

// Answers the modal dialogs a command opens, one step per dialog, in the order they appear, as
// an operator would: each step drives the real dialog. A step that leaves its dialog open (a
// failed check) gets it rejected, and the script gives up after a few seconds without a dialog,
// so a broken test fails instead of hanging. Remaining() tells whether every step ran.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript(std::initializer_list<Step> steps) : steps_(steps)
    {
        waiting_.start();
        Schedule();
    }

    std::size_t Remaining() const { return steps_.size(); }

    // A step for a dialog of class D; any other dialog fails the test.
    template <typename D> static Step For(std::function<void(D*)> step)
    {
        return [step](QWidget* w) {
            auto* d = qobject_cast<D*>(w);
            QVERIFY(d);
            step(d);
        };
    }

private:
    static constexpr int kGiveUpMs = 5000;

    // A fresh timer each poll, so that a step may open a nested dialog (the colour chooser)
    // and the next step still runs inside that dialog's event loop.
    void Schedule()
    {
        QTimer::singleShot(1, this, [this] { Poll(); });
    }

    void Poll()
    {
        if (steps_.empty() || waiting_.elapsed() > kGiveUpMs)
            return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w->property("modalScriptAnswered").toBool()) {
            Schedule();
            return;
        }
        w->setProperty("modalScriptAnswered", true);
        Step step = std::move(steps_.front());
        steps_.pop_front();
        waiting_.restart();
        Schedule();
        QPointer<QWidget> guard(w);
        step(w);
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
    }

    std::deque<Step> steps_;
    QElapsedTimer waiting_;
};
