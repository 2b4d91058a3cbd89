// The bytes the error log stores, entry after entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "log/error_log.h"
#include "tests/support/scratch_dir.h"

TEST(ErrorLog, EntriesAreAppendedByteForByteAndAnUnopenableLogIsSilent) {
    velmora_test::ScratchDir dir("log");
    const std::string stamp = "[00:00:00 PID=00000 TID=00000 EXE=               ] ";
    const std::string head = "\r\r\n04" + stamp; // CR CR LF: the entry's own LF stored as CR LF
    std::ofstream("log.txt", std::ios::binary) << "old\n";
    WriteLogLine(4, "Error: Invalid URL:http://x");
    WriteLogLine(7, "");
    WriteLogLine(123, "100% %s %d%%");
    WriteLogLine(4, "a\nb\r\nc\n\xB8\xE8\xC7\xFA"); // GBK bytes pass unchanged
    LogError("Error: %s:%d", "host", 80);
    // LogError keeps 10239 characters of a message; an entry holds up to 20479 bytes.
    const std::string exact(10239, 'a'), over = std::string(10239, 'b') + "cdef";
    LogError("%s", exact.c_str());
    LogError("%s%s", over.c_str(), over.c_str());
    WriteLogLine(4, std::string(25000, 'c').c_str());
    EXPECT_EQ(velmora_test::ReadBytes("log.txt"),
              "old\n" + head + "Error: Invalid URL:http://x\r\r\n07" + stamp + "\r\r\n123" + stamp +
                  "100% %s %d%%" + head + "a\r\nb\r\r\nc\r\n\xB8\xE8\xC7\xFA" + head +
                  "Error: host:80" + head + exact + head + std::string(10239, 'b') + head +
                  std::string(20479 - head.size() + 1, 'c'));

    std::filesystem::remove("log.txt");
    std::filesystem::create_directory("log.txt"); // opening a directory for writing fails
    LogError("Error: lost %s", "entry");
    EXPECT_TRUE(std::filesystem::is_empty("log.txt"));
    std::filesystem::remove("log.txt");
    LogError("Error: kept %s", "entry");
    EXPECT_EQ(velmora_test::ReadBytes("log.txt"), head + "Error: kept entry");
}
