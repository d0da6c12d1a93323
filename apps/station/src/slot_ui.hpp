#pragma once
// The Ui of one station slot, apart so that the tests reach it.
#include "slot_cause.hpp"

#include "plx71/messages/ui.hpp"
#include "plx71/ops/box_outcome.hpp"

#include <QString>

#include <mutex>
#include <optional>
#include <string>
#include <variant>

namespace plx71::station {

// A box's messages never open a window: a worker must not wait for a person.
// The first one is the tile's cause: a failed box operation by its outcome,
// worded by the core (failureMessage); a question is answered Cancel.
class SlotUi : public Ui {
public:
    void message(Icon, const std::string& text) override { keep(FailureText{text, {}}); }
    void messageWithDetail(Icon, const std::string& text, const std::string& detail) override
    {
        keep(FailureText{text, detail});
    }
    // The station's way to show a failed box operation: the tile's cause.
    void operationFailed(const BoxOutcome& outcome, const FailureText&) override { keep(outcome); }
    bool question(Icon, const std::string& text) override
    {
        keep(FailureText{text, {}});
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
        return oneLineCause(QString::fromStdString(first_ ? wordsOf(*first_).text : std::string()),
                            QString::fromStdString(detail_));
    }

private:
    static FailureText wordsOf(const std::variant<BoxOutcome, FailureText>& first)
    {
        if (const auto* outcome = std::get_if<BoxOutcome>(&first))
            return failureMessage(*outcome);
        return std::get<FailureText>(first);
    }
    void keep(std::variant<BoxOutcome, FailureText> first)
    {
        std::lock_guard lock(mutex_);
        if (first_ && !wordsOf(*first_).text.empty())
            return; // a failure without words (Cancel) gives way to the next
        first_ = std::move(first);
        detail_ = wordsOf(*first_).detail;
    }

    mutable std::mutex mutex_;
    std::optional<std::variant<BoxOutcome, FailureText>> first_;
    std::string detail_;
};

} // namespace plx71::station
