// Opening the console and GPS ports: the handles in SerialPorts, the line
// settings the ports get, and the "Serial Port" messages on failure.
#include <gtest/gtest.h>

#include <cstdlib>
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
        plat::test::ClearRecordedMessageBoxes();
        setenv("OSTRIMA_COM44", (root_ + "/no-such-device").c_str(), 1);
        ScreenWindows.MainWindow = 101;
        ScreenWindows.MonitorGpsWindow = 202;
    }
    void TearDown() override {
        ClosePorts();
        unsetenv("OSTRIMA_COM44");
        EXPECT_EQ(plat::test::OpenSerialPortCount(), 0) << "a port was left open";
        OstrimaTest::TearDown();
    }
    static void ClosePorts() {
        for (auto& h : SerialPorts.ConsolePortHandle) {
            const plat::SerialHandle open = h.exchange(plat::kInvalidSerial);
            if (open != plat::kInvalidSerial) plat::CloseSerialPort(open);
        }
        const plat::SerialHandle gps = SerialPorts.GpsPortHandle.exchange(plat::kInvalidSerial);
        if (gps != plat::kInvalidSerial) plat::CloseSerialPort(gps);
    }
    static void ExpectOk() { plat::test::ScriptModal({plat::ModalKind::MessageBox, plat::kIdOk, u"", 0, {}}); }
};

TEST_F(SerialSetup, ConsolePortOpensAt9600EightNoneOneWithoutFlowControl) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kConsoleCom)) << console.Error();
    SystemSetup.ConsolePort[3] = kConsoleCom - 1;
    EXPECT_EQ(OpenConsolePort(3, 1), 1);
    EXPECT_NE(SerialPorts.ConsolePortHandle[3].load(), plat::kInvalidSerial);
    termios t{};
    ASSERT_TRUE(console.SlaveSettings(t));
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
}

TEST_F(SerialSetup, SecondOpenOfTheSamePortFailsWithTheMessageOwnedByTheMainWindow) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kConsoleCom)) << console.Error();
    SystemSetup.ConsolePort[0] = kConsoleCom - 1;
    SystemSetup.ConsolePort[1] = kConsoleCom - 1;
    ASSERT_EQ(OpenConsolePort(0, 1), 1);
    ExpectOk();
    EXPECT_EQ(OpenConsolePort(1, 1), 0);
    EXPECT_EQ(SerialPorts.ConsolePortHandle[1].load(), plat::kInvalidSerial);
    EXPECT_NE(SerialPorts.ConsolePortHandle[0].load(), plat::kInvalidSerial);
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, u"Serial Port");
    EXPECT_EQ(boxes[0].Text, u"Cannot open COM42 for instrument 2");
    EXPECT_EQ(boxes[0].Buttons, plat::MessageButtons::Ok);
    EXPECT_EQ(boxes[0].Owner, 101);
}

TEST_F(SerialSetup, MissingDeviceLeavesNothingOpenAndTellsOnlyWhenAsked) {
    PtyInstrument console;
    ASSERT_TRUE(console.Open(kConsoleCom)) << console.Error();
    SystemSetup.ConsolePort[0] = kConsoleCom - 1;
    SystemSetup.ConsolePort[1] = kMissingCom - 1;
    ASSERT_EQ(OpenConsolePort(0, 1), 1);
    const int openBefore = plat::test::OpenSerialPortCount();

    EXPECT_EQ(OpenConsolePort(1, 0), 0);  // silent
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    ExpectOk();
    EXPECT_EQ(OpenConsolePort(1, 1), 0);
    EXPECT_EQ(SerialPorts.ConsolePortHandle[1].load(), plat::kInvalidSerial);
    EXPECT_EQ(plat::test::OpenSerialPortCount(), openBefore);
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Text, u"Cannot open COM44 for instrument 2");

    // Rolling back what this attempt opened leaves no port behind, and the
    // console can be opened again afterwards.
    plat::CloseSerialPort(SerialPorts.ConsolePortHandle[0].exchange(plat::kInvalidSerial));
    EXPECT_EQ(plat::test::OpenSerialPortCount(), 0);
    EXPECT_EQ(OpenConsolePort(0, 1), 1);
}

TEST_F(SerialSetup, ConsoleOutsideTheArrayOrPortOutsideTheRangeDoesNotOpen) {
    EXPECT_EQ(OpenConsolePort(9, 0), 0);
    EXPECT_EQ(OpenConsolePort(-1, 0), 0);
    SystemSetup.ConsolePort[2] = 48;  // COM49 does not exist
    ExpectOk();
    EXPECT_EQ(OpenConsolePort(2, 1), 0);
    ASSERT_EQ(plat::test::RecordedMessageBoxes().size(), 1u);
    EXPECT_EQ(plat::test::RecordedMessageBoxes()[0].Text, u"Cannot open COM49 for instrument 3");
}

TEST_F(SerialSetup, GpsPortTakesItsSettingsAndXonXoff) {
    PtyInstrument gps;
    ASSERT_TRUE(gps.Open(kGpsCom)) << gps.Error();
    GpsPortSetup.Port = kGpsCom - 1;
    GpsPortSetup.BaudRate = 5;
    GpsPortSetup.DataBits = 0;
    GpsPortSetup.Parity = 2;
    GpsPortSetup.StopBits = 1;
    EXPECT_EQ(OpenGpsPort(1), 1);
    EXPECT_NE(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    termios t{};
    ASSERT_TRUE(gps.SlaveSettings(t));
    // A pty always reports eight data bits and no parity enable whatever was
    // asked; the speed, the odd-parity and stop-bit flags and XON/XOFF show.
    EXPECT_EQ(cfgetispeed(&t), B115200);
    EXPECT_NE(t.c_cflag & PARODD, 0u);
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

TEST_F(SerialSetup, GpsFailureShowsItsMessageOnlyForShowErrorOne) {
    GpsPortSetup.Port = kMissingCom - 1;
    EXPECT_EQ(OpenGpsPort(0), 0);
    EXPECT_EQ(OpenGpsPort(2), 0);
    EXPECT_TRUE(plat::test::RecordedMessageBoxes().empty());
    ExpectOk();
    EXPECT_EQ(OpenGpsPort(1), 0);
    EXPECT_EQ(SerialPorts.GpsPortHandle.load(), plat::kInvalidSerial);
    const auto boxes = plat::test::RecordedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Title, u"Serial Port");
    EXPECT_EQ(boxes[0].Text, u"Cannot open COM44 for GPS");
    EXPECT_EQ(boxes[0].Owner, 202);
}

}  // namespace
