#pragma once
// The Ui of one station slot, apart so that the tests reach it.
#include "slot_cause.hpp"

#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"

#include <QString>

#include <mutex>
#include <string>

namespace plx71::station {

// A box's messages never open a window: a worker must not wait for a person.
// The first one is the tile's cause; a question is answered Cancel.
class SlotUi : public Ui {
public:
    void message(Icon, const std::string& text) override { keep(text, {}); }
    void messageWithDetail(Icon, const std::string& text, const std::string& detail) override { keep(text, detail); }
    // The station's way to show a failed box operation: the tile's cause.
    void operationFailed(const BoxOutcome& outcome, const FailureText&) override
    {
        const FailureText t = failureMessage(outcome);
        keep(t.text, t.detail);
    }
    bool question(Icon, const std::string& text) override
    {
        keep(text, {});
        return false;
    }
    void detail(const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        if (detail_.empty())
            detail_ = text;
    }
    QString cause() const
    {
        std::lock_guard lock(mutex_);
        return oneLineCause(QString::fromStdString(text_), QString::fromStdString(detail_));
    }

private:
    void keep(const std::string& text, const std::string& detail)
    {
        std::lock_guard lock(mutex_);
        if (!text_.empty())
            return;
        text_ = text;
        detail_ = detail;
    }

    mutable std::mutex mutex_;
    std::string text_;
    std::string detail_;
};

} // namespace plx71::station
