#include "core/user_texts.h"

namespace ostrel {

UserText& UserText::AddLine(const UserText& line) {
    if (!text_.empty()) text_.append("\r\n");
    text_.append(line.text_);
    return *this;
}

TextConstant::operator UserText() const { return UserText(words_); }

UserText TextTable::Filled(const char* words, std::initializer_list<std::string_view> values) {
    std::string text;
    for (const char* at = words; *at; ++at) {
        const auto value = static_cast<std::size_t>(at[1] - '1');
        if (at[0] == '%' && value < values.size()) {
            text.append(values.begin()[value]);
            ++at;
        } else {
            text += *at;
        }
    }
    return UserText(std::move(text));
}

const TextConstant WindowTexts::MainWindow = Constant("Please Wait....");
const TextConstant WindowTexts::Label1 = Constant("close");
const TextConstant WindowTexts::Button1 = Constant("Find windows");
const TextConstant WindowTexts::Button2 = Constant("start from registy");
const TextConstant WindowTexts::Button3 = Constant("Send");
const TextConstant WindowTexts::AboutBox = Constant("AboutBox");

UserText LaunchLog::KeyPassedOver(const std::string& key, const UserText& view,
                                  const UserText& reason) {
    return Filled("Java runtime key passed over: HKEY_LOCAL_MACHINE\\%1 (%2): %3",
                  {key, view.String(), reason.String()});
}
const TextConstant LaunchLog::NoJavaHomeValue = Constant("no \"JavaHome\" value");
const TextConstant LaunchLog::JavaHomeEmpty = Constant("\"JavaHome\" is empty");
const TextConstant LaunchLog::JavaHomeNotText = Constant("\"JavaHome\" is not text");
UserText LaunchLog::NoJavaw(const std::string& javaHome) {
    return Filled("no bin\\javaw.exe in \"%1\"", {javaHome});
}
const TextConstant LaunchLog::View32Bit = Constant("32-bit view");
const TextConstant LaunchLog::View64Bit = Constant("64-bit view");
UserText LaunchLog::FoundIn64BitView(const std::string& key) {
    return Filled("Java runtime key found in the 64-bit registry view: HKEY_LOCAL_MACHINE\\%1",
                  {key});
}
UserText LaunchLog::RegistryValue(const std::string& name, const std::string& data) {
    return Filled("Registry Key has has an Entry Called \"%1\"  with a value of \"%2\"",
                  {name, data});
}
UserText LaunchLog::JavaHome(const std::string& javaHome) {
    return Filled("JavaHome = \"%1\"", {javaHome});
}
const TextConstant LaunchLog::NoRuntime =
    Constant("Error opening key to Java runtime!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
UserText LaunchLog::OtherRuntime(const std::string& key, const UserText& view,
                                 const std::string& javaHome) {
    return Filled("Other Java runtime, not used: HKEY_LOCAL_MACHINE\\%1 (%2), JavaHome \"%3\"",
                  {key, view.String(), javaHome});
}
const TextConstant LaunchLog::OnlyTheseKeysRead = Constant(
    "Ostrel reads only ...\\Java Runtime Environment\\1.4 and \\1.3; a Java installed "
    "without these keys is not listed here");
const TextConstant LaunchLog::ApplicationFound = Constant("Application Found");
const TextConstant LaunchLog::SilentCorvexNotStarted =
    Constant("Corvex not started: the Corvex that is running does not answer");
const TextConstant LaunchLog::NoRuntimeNotStarted =
    Constant("Corvex not started: no Java runtime is known");
UserText LaunchLog::ApplicationPath(const std::string& folder) {
    return Filled("Application Path =%1", {folder});
}
UserText LaunchLog::ExecuteFile(const std::string& program, const std::string& arguments,
                                const std::string& folder) {
    return Filled("ExecuteFile %1 %2  (in %3)", {program, arguments, folder});
}
const TextConstant LaunchLog::NoJob = Constant(
    "The processes started here are followed through their parents only: the system gives them "
    "no job");

const TextConstant LaunchBoxes::NoRuntime =
    Constant("Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
UserText LaunchBoxes::NoJavaHome(const std::string& key) {
    return Filled(
        "The Java runtime registered under HKEY_LOCAL_MACHINE\\%1 has no \"JavaHome\" value, or an "
        "empty one, so Corvex cannot be started.\r\nReinstall the Java runtime that came with "
        "Corvex, then start Ostrel again.",
        {key});
}
UserText LaunchBoxes::FailedToGetData(const std::string& name) {
    return Filled("Failed to get data for '%1'", {name});
}
UserText LaunchBoxes::InvalidDataType(const std::string& name) {
    return Filled("Invalid data type for '%1'", {name});
}
UserText LaunchBoxes::CannotStart(const std::string& program) {
    return Filled("Cannot start \"%1\"", {program});
}
UserText LaunchBoxes::ProgramPathTooLong(const std::string& program, int longest) {
    return Filled("Cannot start \"%1\": the program path is longer than %2 characters",
                  {program, std::to_string(longest)});
}
UserText LaunchBoxes::WorkingFolderTooLong(const std::string& program, const std::string& folder,
                                           int longest) {
    return Filled(
        "Cannot start \"%1\" in \"%2\": the working directory is longer than %3 characters",
        {program, folder, std::to_string(longest)});
}
UserText LaunchBoxes::CannotCreate(const std::string& file) {
    return Filled("Cannot create \"%1\"", {file});
}
UserText LaunchBoxes::CannotSave(const std::string& file) {
    return Filled("Cannot save \"%1\"", {file});
}
UserText LaunchBoxes::CannotWrite(const std::string& file) {
    return Filled("Cannot write \"%1\"", {file});
}
UserText LaunchBoxes::CannotClose(const std::string& file) {
    return Filled("Cannot close \"%1\"", {file});
}
UserText LaunchBoxes::CannotReplace(const std::string& file) {
    return Filled("Cannot replace \"%1\"", {file});
}
UserText LaunchBoxes::ScriptNotWritable(const std::string& file, const std::string& codePage) {
    return Filled(
        "Cannot write \"%1\": a path in it has characters that the code page of the command "
        "prompt (%2) cannot write, and no short form",
        {file, codePage});
}
const TextConstant LaunchBoxes::InterfaceNotSupported = Constant("Interface not supported");
UserText LaunchBoxes::LogFileLine(const std::string& path) {
    // Quoted, so that the error box's full stop does not land on the file's name.
    return Filled("Ostrel's log of this run: \"%1\"", {path});
}

const TextConstant HandOverTexts::Banner = Constant(
    "################################ Searching for windows ################################");
UserText HandOverTexts::Window(const std::string& className, const std::string& title) {
    return Filled("Window : \"%1\" \"%2\"", {className, title});
}
UserText HandOverTexts::FrameWindow(const std::string& className, const std::string& title) {
    return Filled("xxxx Window : \"%1\" \"%2\"", {className, title});
}
UserText HandOverTexts::NoAnswer(const std::string& className, const std::string& title,
                                 int polls) {
    return Filled("No answer from \"%1\" \"%2\" after %3 polls",
                  {className, title, std::to_string(polls)});
}
UserText HandOverTexts::ForegroundRefused(const std::string& process, const std::string& code) {
    return Filled("Could not pass the foreground to Corvex (process %1): error %2",
                  {process, code});
}
UserText HandOverTexts::SendingUdp(const std::string& wakeUp) {
    return Filled("Sending UDP :%1", {wakeUp});
}
const TextConstant HandOverTexts::CannotFormatDateTime =
    Constant("Cannot format the local date and time");

const TextConstant PollTexts::NotClosing =
    Constant("I am not closing automatically because file \"abc.txt\" exists");
const TextConstant PollTexts::WarningCaption = Constant("Warning");
UserText PollTexts::CorvexEnded(const std::string& exitCode, const std::string& commandLine) {
    return Filled("Corvex ended before it showed a window (exit code %1).\r\nCommand line: %2",
                  {exitCode, commandLine});
}
UserText PollTexts::SilentCorvex(const std::string& title) {
    return Filled(
        "Corvex is running (its window \"%1\"), but it does not answer.\r\nClose it, or end it "
        "in Task Manager, then start Ostrel again.",
        {title});
}
UserText PollTexts::NoWindow(int polls) {
    return Filled("No window of Corvex after %1 polls", {std::to_string(polls)});
}
UserText PollTexts::StillRunning(const std::string& program, const std::string& process,
                                 const std::string& seconds) {
    return Filled("\"%1\" (process %2), started by Ostrel, still runs after %3 s",
                  {program, process, seconds});
}

const TextConstant StartupFailures::ApplicationWindow =
    Constant("Cannot create the application window");
const TextConstant StartupFailures::MainWindow = Constant("Cannot create the main window");
const TextConstant StartupFailures::MainWindowControls =
    Constant("Cannot create the main window's controls");
const TextConstant StartupFailures::PictureBox = Constant("Cannot create the picture box");
const TextConstant StartupFailures::PictureBoxControls =
    Constant("Cannot create the picture box's controls");
UserText StartupFailures::WindowClass(const UserText& failure, const std::string& className) {
    return Filled("%1 (window class %2)", {failure.String(), className});
}
const TextConstant StartupFailures::PictureResourceMissing = Constant("Picture resource missing");
const TextConstant StartupFailures::PictureBitmap = Constant("Cannot create picture bitmap");
const TextConstant StartupFailures::ScalePicture = Constant("Cannot scale picture");
UserText StartupFailures::DecodePicture(const std::string& reason) {
    return Filled("Cannot decode picture: %1", {reason});
}
const TextConstant StartupFailures::UnknownException =
    Constant("Unknown exception in a window's message");

UserText LogFileTexts::Heading(const std::string& time, const std::string& version,
                               const std::string& program) {
    return Filled("%1 Ostrel %2, %3", {time, version, program});
}
UserText LogFileTexts::Box(const std::string& text) { return Filled("Box: %1", {text}); }
UserText LogFileTexts::ErrorBox(const std::string& text) { return Filled("Error box: %1", {text}); }
UserText LogFileTexts::WarningBox(const std::string& text) {
    return Filled("Warning box: %1", {text});
}
UserText LogFileTexts::Full(int mebibytes) {
    return Filled("The log file is full (%1 MiB): the rest of this run is not kept",
                  {std::to_string(mebibytes)});
}

UserText SystemTexts::WithReason(const UserText& what, const UserText& reason) {
    return WithReason(what, reason.String());
}
UserText SystemTexts::WithReason(const UserText& what, const std::string& reason) {
    return Filled("%1: %2", {what.String(), reason});
}
UserText SystemTexts::WithCode(const UserText& what, const std::string& code) {
    return Filled("%1 (error %2)", {what.String(), code});
}
UserText SystemTexts::OleError(const std::string& hresult) {
    return Filled("OLE error %1", {hresult});
}

}  // namespace ostrel
