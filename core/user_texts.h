// Every text a user of Ostrel can read: the windows' own words, the boxes, the log lines and the
// log file's. This is the one place to review their wording (and, one day, to translate it). The
// log, the boxes, the windows and the exceptions take a UserText, which only the groups below (and
// the UDP endpoint's own table, net/endpoint_texts.h) can make from words: a text written anywhere
// else does not compile. A value (a path, a title, the system's reason for an error) goes into its
// entry's words where "%1", "%2", ... stand; a text of several lines is a box's, its lines joined
// by CR LF.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace ostrel {

class TextTable;

class UserText {
  public:
    UserText() = default;  // no text

    // Words that are not the program's own: a name, a title, what the system or another program
    // says. The program's own words are entries of the table; a literal does not compile here.
    static UserText Verbatim(std::string words) { return UserText(std::move(words)); }
    static UserText Verbatim(const char*) = delete;
    // The message of an exception, as it was raised.
    static UserText Of(const std::exception& error) { return UserText(error.what()); }

    const std::string& String() const { return text_; }
    bool Empty() const { return text_.empty(); }
    // `line` as a line of its own under this text, as a box shows several (no text becomes
    // `line`).
    UserText& AddLine(const UserText& line);

  private:
    explicit UserText(std::string text) : text_(std::move(text)) {}
    friend class TextTable;
    friend class TextConstant;

    std::string text_;
};

// An entry without values: words that become a UserText where they are used.
class TextConstant {
  public:
    constexpr TextConstant() = default;  // no text
    operator UserText() const;           // NOLINT: used as the text it is

  private:
    constexpr explicit TextConstant(const char* words) : words_(words) {}
    friend class TextTable;

    const char* words_ = "";
};

// What the groups of entries make their texts with.
class TextTable {
  protected:
    static constexpr TextConstant Constant(const char* words) { return TextConstant(words); }
    // `words` with "%1" to "%9" replaced by the values of those numbers.
    static UserText Filled(const char* words, std::initializer_list<std::string_view> values);
};

// The windows' own words: the main window's text and controls, the picture box's text.
struct WindowTexts : private TextTable {
    // Never drawn: the window has no caption bar.
    static constexpr TextConstant MainWindow = Constant("Please Wait....");
    static constexpr TextConstant Label1 = Constant("close");
    static constexpr TextConstant Button1 = Constant("Find windows");
    static constexpr TextConstant Button2 = Constant("start from registy");
    static constexpr TextConstant Button3 = Constant("Send");
    static constexpr TextConstant AboutBox = Constant("AboutBox");  // nor is this
};

// The lines the launch writes to the log, in the order it may write them.
struct LaunchLog : private TextTable {
    static UserText KeyPassedOver(const std::string& key, const UserText& view,
                                  const UserText& reason) {
        return Filled("Java runtime key passed over: HKEY_LOCAL_MACHINE\\%1 (%2): %3",
                      {key, view.String(), reason.String()});
    }
    static constexpr TextConstant NoJavaHomeValue = Constant("no \"JavaHome\" value");
    static constexpr TextConstant JavaHomeEmpty = Constant("\"JavaHome\" is empty");
    static constexpr TextConstant JavaHomeNotText = Constant("\"JavaHome\" is not text");
    static UserText NoJavaw(const std::string& javaHome) {
        return Filled("no bin\\javaw.exe in \"%1\"", {javaHome});
    }
    static constexpr TextConstant View32Bit = Constant("32-bit view");
    static constexpr TextConstant View64Bit = Constant("64-bit view");
    static UserText FoundIn64BitView(const std::string& key) {
        return Filled("Java runtime key found in the 64-bit registry view: HKEY_LOCAL_MACHINE\\%1",
                      {key});
    }
    static UserText RegistryValue(const std::string& name, const std::string& data) {
        return Filled("Registry Key has has an Entry Called \"%1\"  with a value of \"%2\"",
                      {name, data});
    }
    static UserText JavaHome(const std::string& javaHome) {
        return Filled("JavaHome = \"%1\"", {javaHome});
    }
    static constexpr TextConstant NoRuntime =
        Constant("Error opening key to Java runtime!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    static UserText OtherRuntime(const std::string& key, const UserText& view,
                                 const std::string& javaHome) {
        return Filled("Other Java runtime, not used: HKEY_LOCAL_MACHINE\\%1 (%2), JavaHome \"%3\"",
                      {key, view.String(), javaHome});
    }
    static constexpr TextConstant OnlyTheseKeysRead = Constant(
        "Ostrel reads only ...\\Java Runtime Environment\\1.4 and \\1.3; a Java installed "
        "without these keys is not listed here");
    static constexpr TextConstant ApplicationFound = Constant("Application Found");
    static constexpr TextConstant SilentCorvexNotStarted =
        Constant("Corvex not started: the Corvex that is running does not answer");
    static constexpr TextConstant NoRuntimeNotStarted =
        Constant("Corvex not started: no Java runtime is known");
    static UserText ApplicationPath(const std::string& folder) {
        return Filled("Application Path =%1", {folder});
    }
    static UserText ExecuteFile(const std::string& program, const std::string& arguments,
                                const std::string& folder) {
        return Filled("ExecuteFile %1 %2  (in %3)", {program, arguments, folder});
    }
    // With the system's reason.
    static constexpr TextConstant NoJob = Constant(
        "The processes started here are followed through their parents only: the system gives them "
        "no job");
};

// The boxes of the launch, and the failures that its error box names.
struct LaunchBoxes : private TextTable {
    static constexpr TextConstant NoRuntime =
        Constant("Error opening key to Java runtime\r!! CANNOT FIND ANY INSTALLED JAVA RUNTIME !!");
    static UserText NoJavaHome(const std::string& key) {
        return Filled(
            "The Java runtime registered under HKEY_LOCAL_MACHINE\\%1 has no \"JavaHome\" value, "
            "or an "
            "empty one, so Corvex cannot be started.\r\nReinstall the Java runtime that came with "
            "Corvex, then start Ostrel again.",
            {key});
    }
    static UserText FailedToGetData(const std::string& name) {
        return Filled("Failed to get data for '%1'", {name});
    }
    static UserText InvalidDataType(const std::string& name) {
        return Filled("Invalid data type for '%1'", {name});
    }
    // `program` and `folder` as the box shows them: a long one cut.
    static UserText CannotStart(const std::string& program) {
        return Filled("Cannot start \"%1\"", {program});
    }
    static UserText ProgramPathTooLong(const std::string& program, int longest) {
        return Filled("Cannot start \"%1\": the program path is longer than %2 characters",
                      {program, std::to_string(longest)});
    }
    static UserText WorkingFolderTooLong(const std::string& program, const std::string& folder,
                                         int longest) {
        return Filled(
            "Cannot start \"%1\" in \"%2\": the working directory is longer than %3 characters",
            {program, folder, std::to_string(longest)});
    }
    static UserText CannotCreate(const std::string& file) {
        return Filled("Cannot create \"%1\"", {file});
    }
    static UserText CannotSave(const std::string& file) {
        return Filled("Cannot save \"%1\"", {file});
    }
    static UserText CannotWrite(const std::string& file) {
        return Filled("Cannot write \"%1\"", {file});
    }
    static UserText CannotClose(const std::string& file) {
        return Filled("Cannot close \"%1\"", {file});
    }
    static UserText CannotReplace(const std::string& file) {
        return Filled("Cannot replace \"%1\"", {file});
    }
    static UserText ScriptNotWritable(const std::string& file, const std::string& codePage) {
        return Filled(
            "Cannot write \"%1\": a path in it has characters that the code page of the command "
            "prompt (%2) cannot write, and no short form",
            {file, codePage});
    }
    static constexpr TextConstant InterfaceNotSupported = Constant("Interface not supported");
    // The last line of a box about a run that brings no Corvex.
    static UserText LogFileLine(const std::string& path) {
        // Quoted, so that the error box's full stop does not land on the file's name.
        return Filled("Ostrel's log of this run: \"%1\"", {path});
    }
};

// The window search and the hand-over: its lines, and the failure of a wake-up.
struct HandOverTexts : private TextTable {
    static constexpr TextConstant Banner = Constant(
        "################################ Searching for windows ################################");
    static UserText Window(const std::string& className, const std::string& title) {
        return Filled("Window : \"%1\" \"%2\"", {className, title});
    }
    static UserText FrameWindow(const std::string& className, const std::string& title) {
        return Filled("xxxx Window : \"%1\" \"%2\"", {className, title});
    }
    static UserText NoAnswer(const std::string& className, const std::string& title, int polls) {
        return Filled("No answer from \"%1\" \"%2\" after %3 polls",
                      {className, title, std::to_string(polls)});
    }
    static UserText ForegroundRefused(const std::string& process, const std::string& code) {
        return Filled("Could not pass the foreground to Corvex (process %1): error %2",
                      {process, code});
    }
    static UserText SendingUdp(const std::string& wakeUp) {
        return Filled("Sending UDP :%1", {wakeUp});
    }
    static constexpr TextConstant CannotFormatDateTime =
        Constant("Cannot format the local date and time");
};

// What the polls end with: their boxes, and the line that tells what was left running.
struct PollTexts : private TextTable {
    static constexpr TextConstant NotClosing =
        Constant("I am not closing automatically because file \"abc.txt\" exists");
    static constexpr TextConstant WarningCaption = Constant("Warning");
    static UserText CorvexEnded(const std::string& exitCode, const std::string& commandLine) {
        return Filled("Corvex ended before it showed a window (exit code %1).\r\nCommand line: %2",
                      {exitCode, commandLine});
    }
    static UserText SilentCorvex(const std::string& title) {
        return Filled(
            "Corvex is running (its window \"%1\"), but it does not answer.\r\nClose it, or end it "
            "in Task Manager, then start Ostrel again.",
            {title});
    }
    static UserText NoWindow(int polls) {
        return Filled("No window of Corvex after %1 polls", {std::to_string(polls)});
    }
    static UserText StillRunning(const std::string& program, const std::string& process,
                                 const std::string& seconds) {
        return Filled("\"%1\" (process %2), started by Ostrel, still runs after %3 s",
                      {program, process, seconds});
    }
};

// What keeps the program from starting, or a window from being made.
struct StartupFailures : private TextTable {
    static constexpr TextConstant ApplicationWindow =
        Constant("Cannot create the application window");
    static constexpr TextConstant MainWindow = Constant("Cannot create the main window");
    static constexpr TextConstant MainWindowControls =
        Constant("Cannot create the main window's controls");
    static constexpr TextConstant PictureBox = Constant("Cannot create the picture box");
    static constexpr TextConstant PictureBoxControls =
        Constant("Cannot create the picture box's controls");
    static UserText WindowClass(const UserText& failure, const std::string& className) {
        return Filled("%1 (window class %2)", {failure.String(), className});
    }
    static constexpr TextConstant PictureResourceMissing = Constant("Picture resource missing");
    static constexpr TextConstant PictureBitmap = Constant("Cannot create picture bitmap");
    static constexpr TextConstant ScalePicture = Constant("Cannot scale picture");
    static UserText DecodePicture(const std::string& reason) {
        return Filled("Cannot decode picture: %1", {reason});
    }
    static constexpr TextConstant UnknownException =
        Constant("Unknown exception in a window's message");
};

// The log file: its first line, the boxes it records, and its last line when it is full.
struct LogFileTexts : private TextTable {
    static UserText Heading(const std::string& time, const std::string& version,
                            const std::string& program) {
        return Filled("%1 Ostrel %2, %3", {time, version, program});
    }
    static UserText Box(const std::string& text) { return Filled("Box: %1", {text}); }
    static UserText ErrorBox(const std::string& text) { return Filled("Error box: %1", {text}); }
    static UserText WarningBox(const std::string& text) {
        return Filled("Warning box: %1", {text});
    }
    static UserText Full(int mebibytes) {
        return Filled("The log file is full (%1 MiB): the rest of this run is not kept",
                      {std::to_string(mebibytes)});
    }
};

// How a failure and its reason are joined.
struct SystemTexts : private TextTable {
    static UserText WithReason(const UserText& what, const UserText& reason) {
        return WithReason(what, reason.String());
    }
    static UserText WithReason(const UserText& what, const std::string& reason) {
        return Filled("%1: %2", {what.String(), reason});
    }
    // Where the system has no words for the error.
    static UserText WithCode(const UserText& what, const std::string& code) {
        return Filled("%1 (error %2)", {what.String(), code});
    }
    static UserText OleError(const std::string& hresult) {
        return Filled("OLE error %1", {hresult});
    }
};

}  // namespace ostrel
