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
    try {
        StartApp();
    } catch (const std::exception&) {
        // Nothing was started: the window stays open with the error, and however it is closed
        // then, the run brought no Corvex.
        launch_.cannotStart = true;
        throw;
    }
    if (launch_.cannotStart) {
        EndWithoutCorvex();
        return;
    }
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
    const FlagSet running(tickRunning_);
    try {
        Timer1Timer();
    } catch (const std::exception& error) {
        errors.ShowException(error);
    }
}

void TForm1::ClosingStep() {
    if (!launch_.applicationFound) LogStillRunning();
    ports_.ui.PollingEnded();
    if (ports_.ui.DebugMarkerExists()) {
        ports_.ui.SetTimerEnabled(false);
        ports_.ui.ShowWarningBox(PollTexts::NotClosing);
    } else {
        ports_.ui.Close();
    }
}

// The polls are over and no Corvex answered: the log file is what tells the user's helper which
// window came and did not answer, and which process, started here, still runs without one.
void TForm1::LogStillRunning() {
    const std::optional<RunningProcess> running = ports_.corvex.StillRunning();
    const std::optional<WindowNames>& silent = searchMemory_.lastGivenUp;
    if (!running && !silent) return;
    UserText line = silent
                        ? HandOverTexts::NoAnswer(silent->className, silent->title, kPollingTicks)
                        : PollTexts::NoWindow(kPollingTicks);
    if (running) {
        line = SystemTexts::WithReason(
            line, PollTexts::StillRunning(running->name, std::to_string(running->id),
                                          std::to_string(running->runMilliseconds / 1000)));
    }
    ports_.memo.Add(line);
}

void TForm1::PollingStep() {
    if (ReportNothingLeft()) return;
    PlacePictureBox();
    FindMyWindows(false);
}

void TForm1::PlacePictureBox() {
    if (started_.PlacePictureBox()) pictureBoxShown_ = true;
}

// Everything started here has ended before a window of Corvex's was handed over, whatever its
// exit code: nothing is left that could still show Corvex, and waiting for the polls to run out
// would only keep the user looking at the picture.
bool TForm1::ReportNothingLeft() {
    const std::optional<std::uint32_t> code = started_.EndedWithNothingLeft();
    if (!code) return false;
    ports_.ui.ShowLaunchFailure(PollTexts::CorvexEnded(ExitCodeText(*code), launch_.commandLine));
    EndWithoutCorvex();
    return true;
}

// Corvex cannot come, and a box has said why: the launcher ends, unless "abc.txt" holds it open
// with its log in view. A close asked for while the box was open is carried out all the same.
void TForm1::EndWithoutCorvex() {
    launch_.cannotStart = true;
    ports_.ui.SetTimerEnabled(false);
    ports_.ui.PollingEnded();
    if (ports_.ui.DebugMarkerExists() && !ports_.ui.CloseRequested()) {
        ports_.ui.RestoreMainWindow();
    } else {
        ports_.ui.Close();
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
    // The log has just said why a wake-up that found no port is not sent.
    if (SendWakeUp(ports_.UDPEndpoint1, ports_.dateTimeFormat.InAnsiCodePage(text), ports_.memo)) {
        ports_.memo.Add(HandOverTexts::SendingUdp(text));
    }
}

void TForm1::UDPEndpoint1DataReceived(int NumberBytes, const std::string& FromIP, int Port) {
    // The answer of a running Corvex comes through the shared-state library, not over UDP.
    (void)NumberBytes;
    (void)FromIP;
    (void)Port;
}

void TForm1::StartApp() {
    LaunchPorts ports{ports_.memo,
                      ports_.javaKeys,
                      ports_.ui,
                      ports_.shell,
                      ports_.files,
                      [this]() -> std::optional<std::string> {
                          const std::optional<GivenUpWindow> givenUp = Search(false);
                          if (!givenUp) return std::nullopt;
                          return givenUp->title;
                      },
                      launchByHand_};
    RunLaunchSequence(ports, launch_);
}

// The Corvex started here shows its window but does not answer: it is what the launcher was
// waiting for, and another start would meet it holding what a second one needs. Told whichever
// search gave it up, a tick's or "Find windows".
void TForm1::FindMyWindows(bool Verbose) {
    const std::optional<GivenUpWindow> givenUp = Search(Verbose);
    if (givenUp && givenUp->startedHere && !launch_.applicationFound) {
        ports_.ui.ShowLaunchFailure(PollTexts::SilentCorvex(givenUp->title));
        EndWithoutCorvex();
    }
}

std::optional<GivenUpWindow> TForm1::Search(bool Verbose) {
    WindowSearchPorts ports{ports_.desktop,
                            ports_.responseState,
                            ports_.corvex,
                            ports_.clock,
                            ports_.memo,
                            [this] { Button3Click(); },
                            [this] { PlacePictureBox(); },
                            [this] { return ports_.ui.CloseRequested(); }};
    const std::optional<GivenUpWindow> givenUp =
        ostrel::FindMyWindows(ports, Verbose, launch_.applicationFound, searchMemory_);
    // The flag is set by a hand-over only, and it is clear whenever a run says that Corvex
    // cannot come: the exit code follows the last hand-over, "Find windows" by hand included.
    if (launch_.applicationFound) launch_.cannotStart = false;
    return givenUp;
}

}  // namespace ostrel
