#pragma once
// A Ui for tests and benchmarks: records every message and answers
// questions from a script (OK when the script is empty and answerOk is set).
#include "plx71/messages/ui.hpp"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace plx71 {

struct RecordedMessage {
    Icon icon;
    std::string text;
    bool isQuestion = false;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingUi : public Ui {
public:
    void message(Icon icon, const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        messages_.push_back({icon, text, false});
        details_.emplace_back();
    }
    void messageWithDetail(Icon icon, const std::string& text, const std::string& detail) override
    {
        std::lock_guard lock(mutex_);
        messages_.push_back({icon, text, false});
        details_.push_back(detail);
    }
    bool question(Icon icon, const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        messages_.push_back({icon, text, true});
        details_.emplace_back();
        if (answers_.empty())
            return defaultAnswer_;
        bool a = answers_.front();
        answers_.pop_front();
        return a;
    }
    void scriptAnswers(std::initializer_list<bool> answers)
    {
        std::lock_guard lock(mutex_);
        answers_.insert(answers_.end(), answers);
    }
    void setDefaultAnswer(bool ok)
    {
        std::lock_guard lock(mutex_);
        defaultAnswer_ = ok;
    }
    std::vector<RecordedMessage> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> texts() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> t;
        for (const auto& m : messages_)
            t.push_back(m.text);
        return t;
    }
    // The detail line of each message, in the same order (empty for none).
    std::vector<std::string> details() const
    {
        std::lock_guard lock(mutex_);
        return details_;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        messages_.clear();
        details_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
    std::vector<std::string> details_;
    std::deque<bool> answers_;
    bool defaultAnswer_ = true;
};

} // namespace plx71
