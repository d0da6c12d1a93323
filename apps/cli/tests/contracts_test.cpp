// The command line's Ui and progress sink, and the tests' recording Ui, keep
// the contracts every implementation keeps.
#include "cli_ui.hpp"
#include "commands/box_ui.hpp"
#include "progress/cli_progress_sink.hpp"

#include "plx71/testing/progress_sink_contract.hpp"
#include "plx71/testing/recording_ui.hpp"
#include "plx71/testing/ui_contract.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

namespace plx71::cli {
namespace {

using test::UiRig;

// What was written to a temporary file, read back.
class Captured {
public:
    Captured() : file_(std::tmpfile()) {}
    ~Captured() { std::fclose(file_); }
    std::FILE* file() const { return file_; }
    std::string text() const
    {
        std::fflush(file_);
        std::string out;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;)
            out += char(c);
        return out;
    }

private:
    std::FILE* file_;
};

struct RecordingRig : UiRig {
    RecordingUi recording;
    Ui& ui() override { return recording; }
    std::string shown() override
    {
        std::string out;
        const auto texts = recording.texts();
        const auto details = recording.details();
        for (std::size_t i = 0; i < texts.size(); ++i)
            out += texts[i] + "\n" + details[i] + "\n";
        return out;
    }
    bool defaultAnswer() const override { return true; }
};

struct CliRig : UiRig {
    Captured out;
    CliUi cli{false, out.file()};
    Ui& ui() override { return cli; }
    std::string shown() override { return out.text(); }
    bool defaultAnswer() const override { return false; }
};

struct GangBoxRig : UiRig {
    Captured out;
    BoxBoard board{0, out.file()};
    BoxUi box{"COM2", true, &board};
    Ui& ui() override { return box; }
    std::string shown() override { return out.text(); }
    bool defaultAnswer() const override { return true; }
};

struct UiImplementation {
    const char* name;
    test::UiRigMaker make;
};

class UiContract : public ::testing::TestWithParam<UiImplementation> {};

TEST_P(UiContract, IsKept)
{
    EXPECT_EQ(test::checkUiContract(GetParam().make), "");
}

INSTANTIATE_TEST_SUITE_P(Uis, UiContract,
                         ::testing::Values(UiImplementation{"Recording",
                                                            [] { return std::make_unique<RecordingRig>(); }},
                                           UiImplementation{"Cli", [] { return std::make_unique<CliRig>(); }},
                                           UiImplementation{"GangBox", [] { return std::make_unique<GangBoxRig>(); }}),
                         [](const auto& info) { return std::string(info.param.name); });

// Cancel on the command line is a signal for the whole process, so the rig
// has no Cancel to press.
struct CliSinkRig : test::SinkRig {
    explicit CliSinkRig(ProgressMode mode) : cli(mode, "COM2")
    {
        cli.write = [this](const std::string& text) {
            std::lock_guard lock(mutex);
            written += text;
        };
    }
    ProgressSink& sink() override { return cli; }
    CliProgressSink cli;
    std::mutex mutex;
    std::string written;
};

class CliSinkContract : public ::testing::TestWithParam<const char*> {};

TEST_P(CliSinkContract, IsKept)
{
    const ProgressMode mode = *progressModeFromName(GetParam());
    EXPECT_EQ(test::checkProgressSinkContract([mode] { return std::make_unique<CliSinkRig>(mode); }), "");
}

INSTANTIATE_TEST_SUITE_P(Modes, CliSinkContract, ::testing::Values("bar", "lines", "none"),
                         [](const auto& info) { return std::string(info.param); });

} // namespace
} // namespace plx71::cli
