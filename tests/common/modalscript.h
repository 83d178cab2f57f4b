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
// failed check) gets it rejected, a dialog that comes when no step is left for it is rejected
// too (by the newest script, while it watches), and the script gives up after a few seconds
// without a dialog, so a broken test fails instead of hanging. Remaining() counts the steps that
// did not run and the dialogs nobody expected.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript(std::initializer_list<Step> steps) : steps_(steps)
    {
        newest_ = this;
        waiting_.start();
        Schedule();
    }
    ~ModalScript() override
    {
        if (newest_ == this)
            newest_ = nullptr;
    }

    std::size_t Remaining() const { return steps_.size() + unexpected_; }

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
        if ((steps_.empty() && running_ == 0 && newest_ != this) || waiting_.elapsed() > kGiveUpMs)
            return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w->property("modalScriptAnswered").toBool()) {
            Schedule();
            return;
        }
        w->setProperty("modalScriptAnswered", true);
        if (steps_.empty()) {
            ++unexpected_;
            waiting_.restart();
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
            Schedule();
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        waiting_.restart();
        Schedule();
        QPointer<QWidget> guard(w);
        ++running_;
        step(w);
        --running_;
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
    }

    std::deque<Step> steps_;
    std::size_t unexpected_ = 0;
    int running_ = 0; // steps under way, each maybe inside a dialog it opened
    static inline ModalScript* newest_ = nullptr;
    QElapsedTimer waiting_;
};
