#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Answers the next modal dialog a call opens: `answer` gets the dialog once it is up and must end
// it. A dialog that never comes fails the test only when `expected` says so; one that comes
// unexpectedly is closed and fails the test.
class ModalAnswer {
  public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer, bool expected = true)
        : state_(std::make_shared<State>()) {
        state_->answer = std::move(answer);
        state_->expected = expected;
        poll(state_, 0);
    }
    ~ModalAnswer() {
        if (state_->expected && !state_->answered) {
            ADD_FAILURE() << "no dialog was shown";
        }
        state_->done = true;
    }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

  private:
    struct State {
        std::function<void(QWidget*)> answer;
        bool expected = true;
        bool answered = false;
        bool done = false;
    };
    static constexpr int kMostPolls = 500;  // 10 ms apart: five seconds

    static void poll(std::shared_ptr<State> state, int round) {
        QTimer::singleShot(10, [state, round] {
            if (state->done || state->answered) {
                return;
            }
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                state->answered = true;
                if (!state->expected) {
                    ADD_FAILURE() << "an unexpected dialog was shown";
                    dialog->close();
                    return;
                }
                state->answer(dialog);
            } else if (round < kMostPolls) {
                poll(state, round + 1);
            }
        });
    }

    std::shared_ptr<State> state_;
};
