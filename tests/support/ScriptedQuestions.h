#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "link/DialogButtons.h"
#include "link/Questions.h"

// Questions answered from a script, for tests of logic that asks the user.
// Every question is recorded; answers are taken in the order queued.
class ScriptedQuestions : public Questions {
public:
    struct Asked {
        bool custom = false;
        std::string text;
        DialogKind kind = DialogKind::Warning;
        std::vector<int> buttons;
        int focusPosition = -1;  // custom dialogs and cautious questions
        CaptionRange captions;   // custom dialogs only
        QuestionId id = QuestionId::Notice;
    };

    // Queues the result of the next question.
    ScriptedQuestions& Answer(int result) {
        answers_.push_back({Gesture::Button, result});
        return *this;
    }
    // Queues Escape or closing the window for the next question: it gives
    // what the real dialog gives for that question's buttons. An Escape the
    // dialog ignores (no cancel button) is followed by closing the window.
    ScriptedQuestions& PressEscape() {
        answers_.push_back({Gesture::Escape, mrNone});
        return *this;
    }
    ScriptedQuestions& CloseWindow() {
        answers_.push_back({Gesture::Close, mrNone});
        return *this;
    }
    // Result once the queue is empty: mrCancel, as for a window closed
    // without a button. Such questions are counted in Unanswered().
    void SetFallback(int result) { fallback_ = result; }

    int StandardDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                       QuestionId id = QuestionId::Notice) override {
        asked_.push_back({false, text, kind, buttons, -1, {}, id});
        return Next([&buttons] { return StandardEscapeResult(buttons); });
    }
    // Recorded as the standard Yes/No question with the focus on No.
    int CautiousYesNo(const std::string& text, DialogKind kind,
                      QuestionId id = QuestionId::Notice) override {
        asked_.push_back({false, text, kind, {sbYes, sbNo}, 1, {}, id});
        // Escape answers No, as in the real dialog.
        return Next([] { return std::optional<int>(mrNo); });
    }
    int CustomDialog(const std::string& text, DialogKind kind, const std::vector<int>& buttons,
                     int focusPosition, CaptionRange captions,
                     QuestionId id = QuestionId::Notice) override {
        asked_.push_back({true, text, kind, buttons, focusPosition, captions, id});
        return Next([&] { return CustomEscapeResult(buttons, captions); });
    }
    // Queues the path the next file question chooses; nothing = cancelled.
    ScriptedQuestions& AnswerFile(std::optional<std::string> path) {
        files_.push_back(std::move(path));
        return *this;
    }
    std::optional<std::string> ChooseFileToOpen(const FileQuestion& question) override {
        return NextFile(question);
    }
    std::optional<std::string> ChooseFileToSave(const FileQuestion& question) override {
        return NextFile(question);
    }
    // Printing records the job; PrintAnswer says whether the user printed.
    bool Print(const PrintJob& job) override {
        printed_.push_back(job);
        return PrintAnswer;
    }
    bool PrintAnswer = true;
    const std::vector<FileQuestion>& FileQuestions() const { return fileQuestions_; }
    const std::vector<PrintJob>& Printed() const { return printed_; }
    void Beep() override { ++beeps_; }
    // Queues the device the next port question chooses; nothing = cancelled.
    ScriptedQuestions& AnswerPort(std::optional<std::string> path) {
        ports_.push_back(std::move(path));
        return *this;
    }
    std::optional<std::string> ChooseSerialPort(const PortQuestion& question) override {
        portQuestions_.push_back(question);
        if (ports_.empty()) return std::nullopt;
        std::optional<std::string> path = ports_.front();
        ports_.pop_front();
        return path;
    }
    const std::vector<PortQuestion>& PortQuestions() const { return portQuestions_; }

    const std::vector<Asked>& AskedQuestions() const { return asked_; }
    const Asked& Last() const { return asked_.back(); }
    int Beeps() const { return beeps_; }
    int Unanswered() const { return unanswered_; }
    bool ScriptUsedUp() const { return answers_.empty(); }

private:
    std::optional<std::string> NextFile(const FileQuestion& question) {
        fileQuestions_.push_back(question);
        if (files_.empty()) return std::nullopt;
        std::optional<std::string> path = files_.front();
        files_.pop_front();
        return path;
    }
    enum class Gesture { Button, Escape, Close };
    struct Scripted {
        Gesture gesture;
        int result;
    };

    template <class EscapeResult>
    int Next(EscapeResult escapeResult) {
        if (answers_.empty()) {
            ++unanswered_;
            return fallback_;
        }
        const Scripted next = answers_.front();
        answers_.pop_front();
        switch (next.gesture) {
            case Gesture::Button:
                return next.result;
            case Gesture::Escape:
                return escapeResult().value_or(CloseResult);
            case Gesture::Close:
                return CloseResult;
        }
        return CloseResult;
    }

    std::deque<Scripted> answers_;
    std::deque<std::optional<std::string>> files_;
    std::deque<std::optional<std::string>> ports_;
    std::vector<PortQuestion> portQuestions_;
    std::vector<FileQuestion> fileQuestions_;
    std::vector<PrintJob> printed_;
    std::vector<Asked> asked_;
    int fallback_ = mrCancel;
    int beeps_ = 0;
    int unanswered_ = 0;
};
