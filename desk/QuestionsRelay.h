#pragma once
#include <functional>
#include <optional>
#include <string>

#include "link/Questions.h"

// Runs a piece of window work and returns when it is done: on the window
// thread directly; from the line thread it hands the work to the window thread
// and waits, with the desk lock let go, so only the line waits for the user.
using WindowCall = std::function<void(const std::function<void()>&)>;

// The questions every logic object of the desk asks: passed on to the real
// dialogs (or a test's script) through the window call, so that a question
// asked in the middle of a job blocks the line thread alone.
class QuestionsRelay : public Questions {
public:
    void SetTarget(Questions* target) { target_ = target; }
    void SetWindowCall(WindowCall call) { call_ = std::move(call); }
    Questions* Target() const { return target_; }

    int StandardDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                       QuestionId id = QuestionId::Notice) override {
        return Ask<int>([&](Questions& q) { return q.StandardDialog(text, kind, buttons, id); },
                        mrCancel);
    }
    int CustomDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                     int focusPosition, CaptionRange captions,
                     QuestionId id = QuestionId::Notice) override {
        return Ask<int>(
            [&](Questions& q) {
                return q.CustomDialog(text, kind, buttons, focusPosition, captions, id);
            },
            -1);
    }
    int CautiousYesNo(const std::string& text, DialogKind kind,
                      QuestionId id = QuestionId::Notice) override {
        return Ask<int>([&](Questions& q) { return q.CautiousYesNo(text, kind, id); }, mrNo);
    }
    void Beep() override {
        Ask<int>(
            [](Questions& q) {
                q.Beep();
                return 0;
            },
            0);
    }
    std::optional<std::string> ChooseFileToOpen(const FileQuestion& question) override {
        return Ask<std::optional<std::string>>(
            [&](Questions& q) { return q.ChooseFileToOpen(question); }, std::nullopt);
    }
    std::optional<std::string> ChooseFileToSave(const FileQuestion& question) override {
        return Ask<std::optional<std::string>>(
            [&](Questions& q) { return q.ChooseFileToSave(question); }, std::nullopt);
    }
    bool Print(const PrintJob& job) override {
        return Ask<bool>([&](Questions& q) { return q.Print(job); }, false);
    }
    std::optional<std::string> ChooseSerialPort(const PortQuestion& question) override {
        return Ask<std::optional<std::string>>(
            [&](Questions& q) { return q.ChooseSerialPort(question); }, std::nullopt);
    }
    bool ConfirmTable(const TableQuestion& question) override {
        return Ask<bool>([&](Questions& q) { return q.ConfirmTable(question); }, false);
    }

private:
    // Without a target nobody can answer: the answer is the one closing the
    // dialog would give.
    template <class Answer, class Asking>
    Answer Ask(Asking&& asking, Answer unanswered) {
        if (target_ == nullptr) return unanswered;
        Answer answer = unanswered;
        const std::function<void()> work = [&] { answer = asking(*target_); };
        if (call_) {
            call_(work);
        } else {
            work();
        }
        return answer;
    }

    Questions* target_ = nullptr;
    WindowCall call_;
};
