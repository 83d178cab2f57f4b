#pragma once

#include <QApplication>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <QWidget>

#include <deque>
#include <functional>
#include <utility>

// Answers the modal dialogs a call opens, one step per dialog, in the order they appear. Each
// poll is a fresh single-shot timer, so a step may open a nested dialog (the colour chooser)
// and the next step still runs inside that dialog's event loop. A step that leaves its dialog
// open (a failed check) gets it rejected, so a broken test fails instead of hanging.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript(std::initializer_list<Step> steps) : steps_(steps) { Schedule(); }

    std::size_t Remaining() const { return steps_.size(); }

private:
    void Schedule()
    {
        QTimer::singleShot(1, this, [this] { Poll(); });
    }

    void Poll()
    {
        if (steps_.empty())
            return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || w->property("modalScriptAnswered").toBool()) {
            Schedule();
            return;
        }
        w->setProperty("modalScriptAnswered", true);
        Step step = std::move(steps_.front());
        steps_.pop_front();
        Schedule();
        QPointer<QWidget> guard(w);
        step(w);
        if (auto* dialog = qobject_cast<QDialog*>(guard.data()); dialog && dialog->isVisible())
            dialog->reject();
    }

    std::deque<Step> steps_;
};
