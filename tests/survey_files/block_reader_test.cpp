// The block reader gives the same lines and records as reading the file byte
// by byte would, across block boundaries, with CR LF, cut and unterminated lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/test_env.h"
#include "survey_files/block_reader.h"

namespace {

class BlockReaderTest : public OstrimaTest {
protected:
    plat::FileHandle Open(const std::string& bytes) {
        const std::string path = root_ + "/lines.txt";
        WriteWholeFile(path, bytes);
        const std::u16string wide(path.begin(), path.end());
        return plat::OpenFile(wide.c_str(), plat::FileOpen::ExistingReadOnly);
    }
};

// The lines as a reader with a buffer of `capacity` must give them.
std::vector<std::string> ExpectedLines(const std::string& bytes, size_t capacity) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t lf = bytes.find('\n', start);
        const bool last = lf == std::string::npos;
        if (last) lf = bytes.size();
        std::string line = bytes.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > capacity - 1) line.resize(capacity - 1);
        out.push_back(line);
        start = lf + 1;
    }
    return out;
}

TEST_F(BlockReaderTest, LinesMatchTheFileAcrossBlocks) {
    std::string big;
    for (int i = 0; big.size() < 3 * kBlockReaderBytes; ++i) {
        big += std::string(static_cast<size_t>(i % 300), static_cast<char>('a' + i % 26));
        big += (i % 3 == 0) ? "\r\n" : "\n";
    }
    struct Case {
        const char* what;
        std::string bytes;
        size_t capacity;
    };
    const Case cases[] = {
        {"many lines over several blocks", big, 256},
        {"lines cut to the buffer", big, 40},
        {"last line without LF", "12,34\n56,78", 256},
        {"empty lines and a lone CR", "\n\r\n\rx\n", 256},
        {"a line longer than a block", std::string(kBlockReaderBytes + 10, 'z') + "\nend\n", 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const plat::FileHandle file = Open(c.bytes);
        static BlockReader reader;
        StartBlockReader(reader, file);
        std::vector<std::string> got;
        std::vector<char> buffer(c.capacity);
        int n = 0;
        while ((n = ReadBlockLine(reader, buffer.data(), buffer.size())) >= 0) {
            EXPECT_EQ(static_cast<size_t>(n), std::char_traits<char>::length(buffer.data()));
            got.emplace_back(buffer.data(), static_cast<size_t>(n));
        }
        EXPECT_EQ(got, ExpectedLines(c.bytes, c.capacity));
        plat::CloseFile(file);
    }
}

TEST_F(BlockReaderTest, RecordsAreWholeAndAShortTailEnds) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += std::string(26, static_cast<char>('A' + i % 26)) + "\n";
    bytes += "short";
    const plat::FileHandle file = Open(bytes);
    static BlockReader reader;
    StartBlockReader(reader, file);
    char record[27];
    int count = 0;
    while (ReadBlockRecord(reader, record, sizeof record)) {
        ASSERT_EQ(std::string(record, 27), bytes.substr(static_cast<size_t>(count) * 27, 27));
        ++count;
    }
    EXPECT_EQ(count, 5000);
    plat::CloseFile(file);
}

}  // namespace
