// Prints every text of the table as the user meets it, one a line, its values as <placeholders>
// and a box's lines joined by a blank; a failure that names its reason is printed with it.
// tests/docs/docs_test.py checks that the user guide lists each, and that every entry of the
// table is printed here.
#include <cstdio>
#include <string>

#include "app/Unit1.h"
#include "app/run_log.h"
#include "core/user_texts.h"
#include "handover/wake_up.h"
#include "handover/window_search.h"
#include "launch/ShellUtils.h"
#include "launch/start_script.h"
#include "net/UDPEndpoint.h"
#include "net/endpoint_texts.h"

namespace {

using namespace ostrel;

void Print(const UserText& text) {
    std::string line;
    for (const char c : text.String()) {
        if (c == '\n' && !line.empty() && line.back() == ' ') continue;  // CR LF: one blank
        line += c == '\r' || c == '\n' ? ' ' : c;
    }
    std::printf("%s\n", line.c_str());
}

UserText Value(const char* placeholder) { return UserText::Verbatim(std::string(placeholder)); }

// A failure and the system's reason for it.
void PrintWithReason(const UserText& what) { Print(SystemTexts::WithReason(what, "<reason>")); }

}  // namespace

int main() {
    Print(WindowTexts::MainWindow);
    Print(WindowTexts::Label1);
    Print(WindowTexts::Button1);
    Print(WindowTexts::Button2);
    Print(WindowTexts::Button3);
    Print(WindowTexts::AboutBox);

    Print(LaunchBoxes::NoRuntime);
    Print(LaunchBoxes::NoJavaHome("<key>"));
    Print(LaunchBoxes::FailedToGetData("<name>"));
    Print(LaunchBoxes::InvalidDataType("<name>"));
    PrintWithReason(LaunchBoxes::CannotStart("<program>"));
    Print(LaunchBoxes::ProgramPathTooLong("<program>", kLongestShellPath));
    Print(LaunchBoxes::WorkingFolderTooLong("<program>", "<folder>", kLongestShellPath));
    PrintWithReason(LaunchBoxes::CannotCreate("<file>"));
    PrintWithReason(LaunchBoxes::CannotSave("<file>"));
    PrintWithReason(LaunchBoxes::CannotWrite(kStartScriptName));
    PrintWithReason(LaunchBoxes::CannotClose(kStartScriptName));
    PrintWithReason(LaunchBoxes::CannotReplace(kStartScriptName));
    Print(LaunchBoxes::ScriptNotWritable(kStartScriptName, "<code page>"));
    Print(LaunchBoxes::InterfaceNotSupported);
    Print(LaunchBoxes::LogFileLine("<log file>"));
    Print(SystemTexts::WithCode(Value("<what>"), "<code>"));
    Print(SystemTexts::OleError("<number>"));

    Print(LaunchLog::KeyPassedOver("<key>", Value("<view>"), Value("<reason>")));
    Print(LaunchLog::NoJavaHomeValue);
    Print(LaunchLog::JavaHomeEmpty);
    Print(LaunchLog::JavaHomeNotText);
    Print(LaunchLog::NoJavaw("<folder>"));
    Print(LaunchLog::View32Bit);
    Print(LaunchLog::View64Bit);
    Print(LaunchLog::FoundIn64BitView("<key>"));
    Print(LaunchLog::RegistryValue("<name>", "<data>"));
    Print(LaunchLog::JavaHome("<folder>"));
    Print(LaunchLog::NoRuntime);
    Print(LaunchLog::OtherRuntime("<key>", Value("<view>"), "<folder>"));
    Print(LaunchLog::OnlyTheseKeysRead);
    Print(LaunchLog::ApplicationFound);
    Print(LaunchLog::SilentCorvexNotStarted);
    Print(LaunchLog::NoRuntimeNotStarted);
    Print(LaunchLog::ApplicationPath("<folder>"));
    Print(LaunchLog::ExecuteFile("<program>", "<arguments>", "<folder>"));
    PrintWithReason(LaunchLog::NoJob);

    Print(HandOverTexts::Banner);
    Print(HandOverTexts::Window("<class>", "<title>"));
    Print(HandOverTexts::FrameWindow("<class>", "<title>"));
    Print(HandOverTexts::NoAnswer("<class>", "<title>", kMaxPolls));
    Print(HandOverTexts::ForegroundRefused("<process>", "<code>"));
    Print(HandOverTexts::SendingUdp("<date> <time> Calling Corvex"));
    PrintWithReason(HandOverTexts::CannotFormatDateTime);
    Print(UDPEndpointTexts::SentFromAnotherPort(kLauncherPort, Value("<error>")));
    Print(UDPEndpointTexts::NotSent(kLauncherPort, Value("<error>")));
    Print(UDPEndpointTexts::NotSentNorAnother(kLauncherPort, Value("<error>"), Value("<error>")));
    Print(UDPEndpointTexts::SocketError("<code>", "<reason>"));
    Print(UDPEndpointTexts::SocketError("<code>", ""));
    Print(UDPEndpointTexts::UnknownError("<code>"));
    Print(UDPEndpointTexts::RangeCheckError);
    Print(UDPEndpointTexts::InvalidStream);
    Print(UDPEndpointTexts::StreamTooLong(kSendBufferSize));
    Print(UDPEndpointTexts::StreamReadError);
    Print(UDPEndpointTexts::RemoteHostTooLong(kHostTextSize - 1));
    Print(UDPEndpointTexts::NullRemoteAddress);
    Print(UDPEndpointTexts::HostLookupCanceled);

    Print(PollTexts::NotClosing);
    Print(PollTexts::WarningCaption);
    Print(PollTexts::CorvexEnded("<exit code>", "<command line>"));
    Print(PollTexts::SilentCorvex("<title>"));
    const UserText stillRunning = PollTexts::StillRunning("<program>", "<process>", "<seconds>");
    Print(SystemTexts::WithReason(PollTexts::NoWindow(kPollingTicks), stillRunning));
    Print(HandOverTexts::NoAnswer("<class>", "<title>", kPollingTicks));
    Print(SystemTexts::WithReason(HandOverTexts::NoAnswer("<class>", "<title>", kPollingTicks),
                                  stillRunning));

    PrintWithReason(StartupFailures::ApplicationWindow);
    PrintWithReason(StartupFailures::MainWindow);
    PrintWithReason(StartupFailures::MainWindowControls);
    PrintWithReason(StartupFailures::PictureBox);
    PrintWithReason(StartupFailures::PictureBoxControls);
    PrintWithReason(UDPEndpointTexts::NoNotifyWindow);
    PrintWithReason(StartupFailures::WindowClass(Value("<what>"), "<class>"));
    PrintWithReason(StartupFailures::PictureResourceMissing);
    PrintWithReason(StartupFailures::PictureBitmap);
    PrintWithReason(StartupFailures::ScalePicture);
    Print(StartupFailures::DecodePicture("<reason>"));
    Print(StartupFailures::UnknownException);

    Print(LogFileTexts::Heading("<time>", "<version>", "<program>"));
    Print(LogFileTexts::Box("<text>"));
    Print(LogFileTexts::ErrorBox("<text>"));
    Print(LogFileTexts::WarningBox("<text>"));
    Print(LogFileTexts::Full(kRunLogLimit / (1024 * 1024)));
    return 0;
}
