// Results and production records: hashes, JSON text, and record lines that
// stay whole when processes append to one file at once.
#include "plx71/production_record/job_record.hpp"
#include "plx71/production_record/record_file.hpp"
#include "plx71/testing/scratch_dir.hpp"
#include "plx71/text/json_writer.hpp"

#include "production_record/sha256.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace plx71 {
namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Sha256, KnownDigests)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // 56 bytes: the padding needs a second block.
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [text, digest] : cases)
        EXPECT_EQ(record_detail::sha256Hex(bytesOf(text)), digest) << text.size();
}

TEST(JsonText, EscapesWhatJsonForbidsAndKeepsValidUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"tab\tnl\ncr\r", "\"tab\\tnl\\ncr\\r\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {"caf\xC3\xA9 \xE2\x82\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC\""}, // UTF-8 as is
        {"\xE9t\xE9", "\"\\u00e9t\\u00e9\""},                         // Latin-1 bytes
        {"\xC0\xAF", "\"\\u00c0\\u00af\""},                           // overlong '/'
        {"\xED\xA0\x80", "\"\\u00ed\\u00a0\\u0080\""},                // a surrogate
        {std::string("a\0b", 3), "\"a\\u0000b\""},
    };
    for (const auto& [text, json] : cases)
        EXPECT_EQ(jsonString(text), json);
}

TEST(ResultJson, HoldsTheOutcomeAndTheJobFacts)
{
    BoxOutcome o;
    o.kind = OutcomeClass::VerifyMismatch;
    o.portName = "COM2";
    o.devicePath = "/dev/ttyUSB0";
    o.difference.address = 0x0C1230;
    o.difference.expected = 0x12;
    o.difference.found = 0xED;
    o.pagesWritten = 40;
    o.portGiven = "line2";
    o.deviceNode = "/dev/ttyUSB3";
    o.duration = std::chrono::milliseconds(1234);
    JobFacts f;
    f.command = "download";
    f.device = "M30624FGFP";
    f.files.push_back({"userRom", "/data/a\"b.hex", std::string(64, 'f')});
    f.operationBlockMask = 0x7F;
    const std::string json = resultJson(o, f, 7);
    for (const char* part :
         {"{\"command\":\"download\",\"outcome\":\"verify-mismatch\",\"exitCode\":7,", "\"port\":\"COM2\"",
          "\"devicePath\":\"/dev/ttyUSB0\"", "\"portGiven\":\"line2\"", "\"deviceNode\":\"/dev/ttyUSB3\"",
          "\"mismatch\":{\"address\":\"0C1230\",\"expected\":\"12\",\"found\":\"ED\"}", "\"path\":\"/data/a\\\"b.hex\"",
          "\"operationBlockMask\":127", "\"lockBitMask\":null", "\"pagesWritten\":40", "\"durationMs\":1234}"})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;

    const std::string line = productionRecordLine(o, f, 7, "1.30+abc");
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(line.rfind("{\"time\":\"", 0), 0u);
    EXPECT_NE(line.find("\"programVersion\":\"1.30+abc\""), std::string::npos);
}

#ifndef _WIN32
// A project path that names no regular file (missing, a folder, a FIFO no
// one writes to) has no hash, and hashing it returns at once; a record path
// in a missing folder cannot take lines.
TEST(FileFact, OnlyARegularFileIsHashedAndNothingWaits)
{
    test::ScratchDir dir;
    const auto fifo = dir.path() / "project.pxp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    test::writeText(dir.path() / "real.pxp", "abc");
    for (const auto& path : {fifo, dir.path(), dir.path() / "missing.pxp"})
        EXPECT_EQ(fileFact("project", path.string()).sha256, "") << path;
    EXPECT_EQ(fileFact("project", (dir.path() / "real.pxp").string()).sha256,
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(productionRecordCanBeAppended((dir.path() / "no" / "line.jsonl").string()));
    EXPECT_TRUE(productionRecordCanBeAppended((dir.path() / "line.jsonl").string()));
}

// Two processes append lines of their own to one file at once: every line
// comes out whole, none is lost.
TEST(RecordFile, TwoProcessesAppendingAtOnceGiveWholeLines)
{
    const test::ScratchDir dir;
    const std::string path = (dir / "records.jsonl").string();
    constexpr int kLines = 300;
    const auto lineOf = [](char who, int n) {
        return "{\"writer\":\"" + std::string(1, who) + "\",\"n\":" + std::to_string(n) + ",\"pad\":\""
            + std::string(3000, who) + "\"}\n";
    };
    std::vector<pid_t> children;
    for (char who : {'a', 'b'}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int n = 0; n < kLines; ++n)
                ok = appendProductionRecordLine(path, lineOf(who, n)) && ok;
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::ifstream in(path);
    std::set<std::string> seen;
    std::string line;
    while (std::getline(in, line))
        seen.insert(line + "\n");
    std::set<std::string> expected;
    for (char who : {'a', 'b'})
        for (int n = 0; n < kLines; ++n)
            expected.insert(lineOf(who, n));
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_TRUE(seen == expected);
    EXPECT_FALSE(appendProductionRecordLine((dir / "no" / "such.jsonl").string(), lineOf('c', 0)));
}
#endif

} // namespace
} // namespace plx71
