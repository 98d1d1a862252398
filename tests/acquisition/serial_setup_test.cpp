// Opening the console and GPS ports: the handles in SerialPorts, the line
// settings the ports get, and the "Serial Port" messages on failure.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <termios.h>

#include "acquisition/serial_setup.h"
#include "platform/message_box.h"
#include "platform/modal_script.h"
#include "platform/serial_port.h"
#include "support/pty_instrument.h"
#include "support/test_env.h"
#include "survey_files/survey_model.h"

namespace {

using instruments::PtyInstrument;

// High COM numbers, so that no test can fall through to a real /dev/ttyS device.
constexpr int kConsoleCom = 42;
constexpr int kGpsCom = 43;
constexpr int kMissingCom = 44;

class SerialSetup : public OstrimaTest {
protected:
    void SetUp() override {
        OstrimaTest::SetUp();
        setenv("OSTRIMA_COM44", (root_ + "/no-such-device").c_str(), 1);
        ScreenWindows.MainWindow = 101;
        ScreenWindows.MonitorGpsWindow = 202;
    }
    void TearDown() override {
        ResetSurveyModel();  // closes what the test left in SerialPorts
        unsetenv("OSTRIMA_COM44");
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
        OstrimaTest::TearDown();
    }
};

TEST_F(SerialSetup, PortsGetTheConsoleAndTheGpsLineSettings) {
    PtyInstrument console, gps;
    ASSERT_TRUE(console.Open(kConsoleCom)) << console.Error();
    ASSERT_TRUE(gps.Open(kGpsCom)) << gps.Error();
    SystemSetup.ConsolePort[3] = kConsoleCom - 1;
    EXPECT_EQ(OpenConsolePort(3, 1), 1);
    EXPECT_NE(SerialPorts.ConsolePortHandle[3].load(), plat::kInvalidSerial);
    termios t{};
    ASSERT_TRUE(console.SlaveSettings(t));
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);

    GpsPortSetup.Port = kGpsCom - 1;
    GpsPortSetup.BaudRate = 5;
    GpsPortSetup.DataBits = 0;
    GpsPortSetup.Parity = 2;
    GpsPortSetup.StopBits = 1;
    EXPECT_EQ(OpenGpsPort(1), 1);
    EXPECT_NE(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    ASSERT_TRUE(gps.SlaveSettings(t));
    // A pty always reports eight data bits and no parity enable whatever was
    // asked; the speed, the odd-parity and stop-bit flags and XON/XOFF show.
    EXPECT_EQ(cfgetispeed(&t), B115200);
    EXPECT_NE(t.c_cflag & PARODD, 0u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
}

// What the operator is told when a port does not open, and that only when
// asked: the console message is owned by the main window (the logging screen
// is not shown yet), the GPS message by the GPS monitor.
TEST_F(SerialSetup, FailuresShowTheirMessageOnlyWhenAsked) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kConsoleCom)) << console.Error();
    SystemSetup.ConsolePort = {kConsoleCom - 1, kConsoleCom - 1, kMissingCom - 1, 48};
    GpsPortSetup.Port = kMissingCom - 1;
    ASSERT_EQ(OpenConsolePort(0, 1), 1);

    const struct {
        const char* what;
        std::function<int()> open;
        const char16_t* text;  // nullptr: silent
        plat::Hwnd owner;
    } cases[] = {
        {"second open of a port in use", [] { return OpenConsolePort(1, 1); }, u"Cannot open COM42 for instrument 2", 101},
        {"missing device", [] { return OpenConsolePort(2, 1); }, u"Cannot open COM44 for instrument 3", 101},
        {"missing device, silent", [] { return OpenConsolePort(2, 0); }, nullptr, 0},
        {"COM49 does not exist", [] { return OpenConsolePort(3, 1); }, u"Cannot open COM49 for instrument 4", 101},
        {"console outside the array", [] { return OpenConsolePort(9, 1); }, nullptr, 0},
        {"GPS", [] { return OpenGpsPort(1); }, u"Cannot open COM44 for GPS", 202},
        {"GPS, silent", [] { return OpenGpsPort(0); }, nullptr, 0},
        {"GPS, any other value is silent", [] { return OpenGpsPort(2); }, nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plat::test::ClearRecordedMessageBoxes();
        if (c.text != nullptr) plat::test::ScriptModal({plat::ModalKind::MessageBox, plat::kIdOk, u"", 0, {}});
        EXPECT_EQ(c.open(), 0);
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 1) << "a failure leaves nothing open";
        const auto boxes = plat::test::RecordedMessageBoxes();
        ASSERT_EQ(boxes.size(), c.text != nullptr ? 1u : 0u);
        if (c.text == nullptr) continue;
        EXPECT_EQ(boxes[0].Title, u"Serial Port");
        EXPECT_EQ(boxes[0].Text, c.text);
        EXPECT_EQ(boxes[0].Buttons, plat::MessageButtons::Ok);
        EXPECT_EQ(boxes[0].Owner, c.owner);
    }
    for (size_t i = 1; i < 4; ++i) EXPECT_EQ(SerialPorts.ConsolePortHandle[i].load(), plat::kInvalidSerial);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);

    // Rolling back what an attempt opened leaves the console free to open again.
    plat::CloseSerialPort(SerialPorts.ConsolePortHandle[0].exchange(plat::kInvalidSerial));
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    EXPECT_EQ(OpenConsolePort(1, 1), 1);
}

}  // namespace
