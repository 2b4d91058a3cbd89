// The bytes the error log stores, entry by entry, in a working directory of
// each test's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "log/error_log.h"
#include "tests/support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// What every entry of level 4 starts with, as stored: CR CR LF, the level,
// the fixed stamp and the empty program name padded to 15 blanks.
const std::string kHead =
    "\r\r\n04[00:00:00 PID=00000 TID=00000 EXE=" + std::string(15, ' ') + "] ";

class ErrorLog : public ::testing::Test {
protected:
    static std::string Stored() { return velmora_test::ReadBytes("log.txt"); }

    velmora_test::ScratchDir m_dir{"log"};
};

} // namespace

TEST_F(ErrorLog, EachEntryIsTheFixedStampAndTheMessageWithLfStoredAsCrLf) {
    struct Row {
        const char* message;
        std::string stored;
    } rows[] = {
        {"Error: Invalid URL:http://x", kHead + "Error: Invalid URL:http://x"},
        {"", kHead},
        {"100% %s %d%%", kHead + "100% %s %d%%"},
        {"a\nb\r\nc\n", kHead + "a\r\nb\r\r\nc\r\n"},
        {"\xB8\xE8\xC7\xFA", kHead + "\xB8\xE8\xC7\xFA"}, // GBK bytes pass unchanged
    };
    for (const Row& r : rows) {
        fs::remove("log.txt");
        WriteLogLine(4, r.message);
        EXPECT_EQ(Stored(), r.stored) << r.message;
    }
}

TEST_F(ErrorLog, LevelIsWrittenWithAtLeastTwoDigits) {
    WriteLogLine(7, "x");
    WriteLogLine(123, "y");
    EXPECT_EQ(Stored(), "\r\r\n07" + kHead.substr(5) + "x\r\r\n123" + kHead.substr(5) + "y");
}

TEST_F(ErrorLog, LogErrorFormatsAndAppendsLevelFourEntries) {
    LogError("Error: Invalid URL:%s", "http://host");
    LogError("Error: failed to prepare the HTTP request for URL:%s", "http://host");
    EXPECT_EQ(Stored(), kHead + "Error: Invalid URL:http://host" + kHead +
                            "Error: failed to prepare the HTTP request for URL:http://host");
}

TEST_F(ErrorLog, ExistingContentIsKept) {
    {
        std::ofstream out("log.txt", std::ios::binary);
        out << "old\n";
    }
    LogError("%s", "new");
    EXPECT_EQ(Stored(), "old\n" + kHead + "new");
}

TEST_F(ErrorLog, MessagesAreKeptUpTo10239Characters) {
    const std::string exact(10239, 'a');
    LogError("%s", exact.c_str());
    EXPECT_EQ(Stored(), kHead + exact);

    fs::remove("log.txt");
    const std::string over = std::string(10239, 'b') + "cdef";
    LogError("%s%s", over.c_str(), over.c_str());
    EXPECT_EQ(Stored(), kHead + std::string(10239, 'b'));

    // Only LogError cuts: the entry itself holds up to 20479 characters.
    fs::remove("log.txt");
    const std::string direct(15000, 'c');
    WriteLogLine(4, direct.c_str());
    EXPECT_EQ(Stored(), kHead + direct);
}

TEST_F(ErrorLog, AnUnopenableLogIsSilentAndTriedAgainNextTime) {
    fs::create_directory("log.txt"); // opening a directory for writing fails everywhere
    LogError("Error: lost %s", "entry");
    EXPECT_TRUE(fs::is_directory("log.txt"));
    EXPECT_TRUE(fs::is_empty("log.txt"));

    fs::remove("log.txt");
    LogError("Error: kept %s", "entry");
    EXPECT_EQ(Stored(), kHead + "Error: kept entry");
}
