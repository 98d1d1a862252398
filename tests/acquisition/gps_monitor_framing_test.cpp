// Framing of the GPS monitor's lines, fed byte by byte as its reader takes
// them off the port: every line is listed whatever its content, and nothing
// but a CR before the LF is dropped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/gps_monitor.h"
#include "survey_files/survey_model.h"

namespace {

std::vector<std::string> Frame(const std::string& bytes) {
    GpsMonitorFrame frame;
    std::vector<std::string> lines;
    for (char c : bytes) {
        char line[kGpsSentenceChars];
        if (GpsMonitorFrameByte(frame, static_cast<uint8_t>(c), line, sizeof line)) {
            lines.emplace_back(line);
            EXPECT_EQ(frame.Length, 0) << "the frame is empty after a line";
        }
        EXPECT_LE(frame.Length, kGpsMonitorFrameRestartAt + 1);
    }
    return lines;
}

TEST(GpsMonitorFraming, ListsEveryLineAndDropsOnlyTheCr) {
    const std::string gga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47";
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR LF", gga + "\r\n", {gga}},
        {"LF alone keeps the checksum's last digit", "$GPNOCR,192,ABC\n", {"$GPNOCR,192,ABC"}},
        {"LF alone, then CR LF", "$GPA,1*0F\n$GPB,2*0E\r\n", {"$GPA,1*0F", "$GPB,2*0E"}},
        {"a CR inside the line is kept", "$GPA,1\r,2\n", {"$GPA,1\r,2"}},
        {"a line without a dollar is listed", "PASHR,ACK*3D\r\n", {"PASHR,ACK*3D"}},
        {"a dollar restarts the frame", "junk$GPA,1\r\n", {"$GPA,1"}},
        {"an LF with an empty frame closes nothing", "\n\n$GPA\r\n\n", {"$GPA"}},
        {"a CR alone makes an empty line", "\r\n", {""}},
        {"200 bytes without LF: only what follows the restart", "$" + std::string(199, 'x') + "\r\n",
         {std::string(9, 'x')}},
        {"a long line is cut to 127 characters", "$" + std::string(150, '9') + "\n",
         {"$" + std::string(126, '9')}},
    };
    for (const Case& c : cases) EXPECT_EQ(Frame(c.bytes), c.lines) << c.what;
}

}  // namespace
