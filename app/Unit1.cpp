#include "app/Unit1.h"

#include "core/text.h"

namespace ostrel {
namespace {

// Sets a flag for as long as it lives, and clears it on every way out.
class FlagSet {
  public:
    explicit FlagSet(bool& flag) : flag_(flag) { flag_ = true; }
    ~FlagSet() { flag_ = false; }
    FlagSet(const FlagSet&) = delete;
    FlagSet& operator=(const FlagSet&) = delete;

  private:
    bool& flag_;
};

}  // namespace

std::uint32_t CloseLabelTextColour(std::uint32_t background, std::uint32_t text) {
    if (text != background) return text;
    // Perceived brightness of 0x00BBGGRR, in parts of 1000 of full white.
    const std::uint32_t red = background & 0xFF;
    const std::uint32_t green = background >> 8 & 0xFF;
    const std::uint32_t blue = background >> 16 & 0xFF;
    const std::uint32_t brightness = (299 * red + 587 * green + 114 * blue) / 255;
    return brightness < 500 ? 0x00FFFFFF : 0x00000000;
}

std::string ExitCodeText(std::uint32_t code) {
    return code < 0x10000 ? std::to_string(code) : "0x" + EightHexDigits(code);
}

void TForm1::FormCreate() { pictureBoxShown_ = false; }

void TForm1::FormShow() {
    StartApp();
    if (ports_.ui.CloseRequested()) return;  // closes once this has returned
    if (launch_.cannotStart) {
        EndWithoutCorvex();
        return;
    }
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
    const FlagSet running(tickRunning_);
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
    if (ReportRuntimeEnded()) return;
    // The runtime's own error box, say, must not lie under the picture, which has done its job
    // once something of Corvex's is on the screen.
    if (!pictureBoxAside_ && startedWindows_.AnyInView(ports_.desktop, ports_.corvex)) {
        if (pictureBoxShown_) ports_.ui.HidePictureBox();
        pictureBoxAside_ = true;
    }
    ShowPictureBoxOnce();
    FindMyWindows(false);
}

void TForm1::ShowPictureBoxOnce() {
    if (pictureBoxShown_ || pictureBoxAside_) return;
    ports_.ui.ShowPictureBox();
    pictureBoxShown_ = true;
}

// What was started here has ended, with an error, before a window of Corvex's was handed over:
// waiting for the polls to run out would only keep the user looking at the picture. An exit
// code of 0 is left to the polling: a runtime may hand its start on to another process and end.
bool TForm1::ReportRuntimeEnded() {
    const std::optional<std::uint32_t> code = ports_.corvex.RuntimeExitCode();
    if (!code || *code == 0 || !ports_.corvex.Started().empty()) return false;
    ports_.ui.ShowError(Exception(
        WithLogFileLine("Corvex ended before it showed a window (exit code " + ExitCodeText(*code) +
                            ").\r\nCommand line: " + launch_.commandLine,
                        ports_.ui.LogFilePath())));
    EndWithoutCorvex();
    return true;
}

// Corvex cannot come: the launcher ends with the box that said why, unless "abc.txt" holds it
// open, its log in view.
void TForm1::EndWithoutCorvex() {
    ports_.ui.SetTimerEnabled(false);
    ports_.ui.PollingEnded();
    if (ports_.ui.DebugMarkerExists()) {
        ports_.ui.RestoreMainWindow();
    } else {
        ports_.ui.CloseAsFailed();
    }
}

void TForm1::Label1Click() { ports_.ui.Close(); }

void TForm1::Button1Click() { FindMyWindows(true); }

void TForm1::Button2Click() {
    const FlagSet byHand(launchByHand_);
    StartApp();
}

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
                      ports_.shell, ports_.files,    [this] { return Search(false); },
                      launchByHand_};
    RunLaunchSequence(ports, launch_);
}

void TForm1::FindMyWindows(bool Verbose) { Search(Verbose); }

std::string TForm1::Search(bool Verbose) {
    WindowSearchPorts ports{ports_.desktop,
                            ports_.responseState,
                            ports_.corvex,
                            ports_.clock,
                            ports_.memo,
                            [this] { Button3Click(); },
                            [this] { ShowPictureBoxOnce(); }};
    return ostrel::FindMyWindows(ports, Verbose, launch_.applicationFound, searchMemory_);
}

}  // namespace ostrel
