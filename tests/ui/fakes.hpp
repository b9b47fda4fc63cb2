// Stand-ins for what the main window talks to: services that record every
// message and close the window like the real ones, and dialogs that answer
// from a script.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "common_dialog.hpp"
#include "services.hpp"

struct Message {
    std::string prompt;
    std::optional<std::string> title;
    bool operator==(const Message&) const = default;
};

class RecordingServices final : public tesra::Services {
public:
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override {
        messages.push_back({std::string(prompt), title ? std::optional<std::string>(*title) : std::nullopt});
    }
    void set_pointer(tesra::Pointer pointer) override { pointers.push_back(pointer); }
    void end_program() override {
        ++end_requests;
        if (window) window->close();
    }

    QPointer<QWidget> window;
    std::vector<Message> messages;
    std::vector<tesra::Pointer> pointers;
    int end_requests = 0;
};

class ScriptedDialogs final : public tesra::ui::Dialogs {
public:
    struct Call {
        QString preset;
        bool new_name_allowed;
    };

    std::optional<QString> pick(QWidget*, const QString& preset, bool new_name_allowed) override {
        calls.push_back({preset, new_name_allowed});
        if (answers.empty()) return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull()) return std::nullopt;
        return answer;
    }

    bool ask(QWidget*, const QString& question) override {
        questions.push_back(question);
        return replace;
    }

    static inline const QString cancel{};  // an answer: the user cancels
    std::deque<QString> answers;
    std::vector<Call> calls;
    bool replace = false;  // the answer to every question
    QStringList questions;
};
