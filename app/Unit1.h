// TForm1: the launcher's main window as its handlers see it. The window itself (controls,
// layout, messages) is the Win32 side; this class holds the launcher's state and decides.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/started_watch.h"
#include "core/clock.h"
#include "core/errors.h"
#include "core/log.h"
#include "handover/wake_up.h"
#include "handover/window_search.h"
#include "launch/launch_sequence.h"

namespace ostrel {

class TUDPEndpoint;

// What the handlers need of the main window and the user interface around it.
class FormUi : public LaunchUi, public PictureBoxUi {
  public:
    virtual void Minimize() = 0;
    // Closes the window once the running handler has returned; the program ends with the exit
    // code TForm1 gives then.
    virtual void Close() = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    // Modal: caption "Warning", warning icon, one OK button.
    virtual void ShowWarningBox(const UserText& text) = 0;
    // "abc.txt" in the current directory, and not a folder.
    virtual bool DebugMarkerExists() = 0;
    // The launch and its polling are over: another launcher started now may launch again.
    virtual void PollingEnded() = 0;
};

struct Form1Ports {
    Log& memo;
    FormUi& ui;
    JavaRuntimeKeys& javaKeys;
    LaunchShell& shell;
    LaunchFiles& files;
    Desktop& desktop;
    ResponseState& responseState;
    CorvexProcesses& corvex;
    Clock& clock;
    DateTimeFormat& dateTimeFormat;
    TUDPEndpoint& UDPEndpoint1;
};

// The "close" label's text colour over its background (both 0x00BBGGRR): the window-text
// colour, unless it is the background's own (both are black on current Windows), then white or
// black, whichever stands out.
std::uint32_t CloseLabelTextColour(std::uint32_t background, std::uint32_t text);

inline constexpr int kPollingTicks = 100;
inline constexpr unsigned kTimerInterval = 500;  // ms

class TForm1 {
  public:
    explicit TForm1(const Form1Ports& ports)
        : ports_(ports), started_(ports.desktop, ports.corvex, ports.ui) {}

    // Handlers, each bound to its window event.
    void FormCreate();
    void FormShow();
    void Timer1Timer();
    void Label1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void UDPEndpoint1DataReceived(int NumberBytes, const std::string& FromIP, int Port);

    // A tick as the message loop delivers it. A tick that arrives while an earlier tick is still
    // running (its error box is open) is dropped, not counted: one failing search, one box.
    void DeliverTick(ErrorReporter& errors);

    // The launcher's own steps.
    void StartApp();
    void FindMyWindows(bool Verbose);

    bool ApplicationFound() const { return launch_.applicationFound; }
    const std::string& JavaHome() const { return launch_.javaHome; }
    int TickCounter() const { return tickCounter_; }
    bool PictureBoxShown() const { return pictureBoxShown_; }
    // The program's exit code, however its window closes: 1 when the run's last word on Corvex
    // was that it cannot come (a later hand-over, by hand too, takes it back), else 0.
    int ExitCode() const { return launch_.cannotStart ? 1 : 0; }

  private:
    void ClosingStep();
    void PollingStep();
    void PlacePictureBox();
    bool ReportNothingLeft();
    void LogStillRunning();
    void EndWithoutCorvex();
    std::optional<GivenUpWindow> Search(bool Verbose);

    Form1Ports ports_;
    LaunchState launch_;
    WindowSearchMemory searchMemory_;
    StartedWatch started_;
    int tickCounter_ = 0;
    bool pictureBoxShown_ = false;
    bool tickRunning_ = false;
    bool launchByHand_ = false;
};

// An exit code as a box shows it: in decimal, or as Windows writes its status codes (0xC0000005).
std::string ExitCodeText(std::uint32_t code);

}  // namespace ostrel
