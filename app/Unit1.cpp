#include "app/Unit1.h"

namespace ostrel {

std::uint32_t CloseLabelTextColour(std::uint32_t background, std::uint32_t text) {
    if (text != background) return text;
    // Perceived brightness of 0x00BBGGRR, in parts of 1000 of full white.
    const std::uint32_t red = background & 0xFF;
    const std::uint32_t green = background >> 8 & 0xFF;
    const std::uint32_t blue = background >> 16 & 0xFF;
    const std::uint32_t brightness = (299 * red + 587 * green + 114 * blue) / 255;
    return brightness < 500 ? 0x00FFFFFF : 0x00000000;
}

void TForm1::FormCreate() { pictureBoxShown_ = false; }

void TForm1::FormShow() {
    StartApp();
    if (ports_.ui.CloseRequested()) return;  // closes once this has returned
    tickCounter_ = 0;
    if (!ports_.ui.DebugMarkerExists()) ports_.ui.Minimize();
    ports_.ui.SetTimerEnabled(true);
}

void TForm1::Timer1Timer() {
    ++tickCounter_;
    if (launch_.applicationFound || tickCounter_ > kPollingTicks) {
        ClosingStep();
    } else {
        PollingStep();
    }
}

void TForm1::DeliverTick(ErrorReporter& errors) {
    if (tickRunning_) return;
    // Cleared on every way out, a failing error box included: else no tick would ever poll again.
    tickRunning_ = true;
    const struct Running {
        bool& flag;
        ~Running() { flag = false; }
    } running{tickRunning_};
    try {
        Timer1Timer();
    } catch (const std::exception& error) {
        errors.ShowException(error);
    }
}

void TForm1::ClosingStep() {
    ports_.ui.PollingEnded();
    if (ports_.ui.DebugMarkerExists()) {
        ports_.ui.SetTimerEnabled(false);
        ports_.ui.ShowWarningBox(kNotClosingWarning);
    } else {
        ports_.ui.Close();
    }
}

void TForm1::PollingStep() {
    if (!pictureBoxShown_) {
        ports_.ui.ShowPictureBox();
        pictureBoxShown_ = true;
    }
    FindMyWindows(false);
}

void TForm1::Label1Click() { ports_.ui.Close(); }

void TForm1::Button1Click() { FindMyWindows(true); }

void TForm1::Button2Click() { StartApp(); }

void TForm1::Button3Click() {
    const std::string text = WakeUpText(ports_.clock.Now(), ports_.dateTimeFormat);
    SendWakeUp(ports_.UDPEndpoint1, ports_.dateTimeFormat.InAnsiCodePage(text));
    ports_.memo.Add("Sending UDP :" + text);
}

void TForm1::UDPEndpoint1DataReceived(int NumberBytes, const std::string& FromIP, int Port) {
    // The answer of a running Corvex comes through the shared-state library, not over UDP.
    (void)NumberBytes;
    (void)FromIP;
    (void)Port;
}

void TForm1::StartApp() {
    LaunchPorts ports{ports_.memo,  ports_.javaKeys, ports_.ui,
                      ports_.shell, ports_.files,    [this] { FindMyWindows(false); }};
    RunLaunchSequence(ports, launch_);
}

void TForm1::FindMyWindows(bool Verbose) {
    WindowSearchPorts ports{ports_.desktop, ports_.responseState, ports_.corvex,
                            ports_.clock,   ports_.memo,          [this] { Button3Click(); }};
    ostrel::FindMyWindows(ports, Verbose, launch_.applicationFound, searchMemory_);
}

}  // namespace ostrel
