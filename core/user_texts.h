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
    static const TextConstant MainWindow;  // never drawn: the window has no caption bar
    static const TextConstant Label1;
    static const TextConstant Button1;
    static const TextConstant Button2;
    static const TextConstant Button3;
    static const TextConstant AboutBox;  // never drawn either
};

// The lines the launch writes to the log, in the order it may write them.
struct LaunchLog : private TextTable {
    static UserText KeyPassedOver(const std::string& key, const UserText& view,
                                  const UserText& reason);
    static const TextConstant NoJavaHomeValue;
    static const TextConstant JavaHomeEmpty;
    static const TextConstant JavaHomeNotText;
    static UserText NoJavaw(const std::string& javaHome);
    static const TextConstant View32Bit;
    static const TextConstant View64Bit;
    static UserText FoundIn64BitView(const std::string& key);
    static UserText RegistryValue(const std::string& name, const std::string& data);
    static UserText JavaHome(const std::string& javaHome);
    static const TextConstant NoRuntime;
    static UserText OtherRuntime(const std::string& key, const UserText& view,
                                 const std::string& javaHome);
    static const TextConstant OnlyTheseKeysRead;
    static const TextConstant ApplicationFound;
    static const TextConstant SilentCorvexNotStarted;
    static const TextConstant NoRuntimeNotStarted;
    static UserText ApplicationPath(const std::string& folder);
    static UserText ExecuteFile(const std::string& program, const std::string& arguments,
                                const std::string& folder);
    static const TextConstant NoJob;  // with the system's reason
};

// The boxes of the launch, and the failures that its error box names.
struct LaunchBoxes : private TextTable {
    static const TextConstant NoRuntime;
    static UserText NoJavaHome(const std::string& key);
    static UserText FailedToGetData(const std::string& name);
    static UserText InvalidDataType(const std::string& name);
    // `program` and `folder` as the box shows them: a long one cut.
    static UserText CannotStart(const std::string& program);
    static UserText ProgramPathTooLong(const std::string& program, int longest);
    static UserText WorkingFolderTooLong(const std::string& program, const std::string& folder,
                                         int longest);
    static UserText CannotCreate(const std::string& file);
    static UserText CannotSave(const std::string& file);
    static UserText CannotWrite(const std::string& file);
    static UserText CannotClose(const std::string& file);
    static UserText CannotReplace(const std::string& file);
    static UserText ScriptNotWritable(const std::string& file, const std::string& codePage);
    static const TextConstant InterfaceNotSupported;
    // The last line of a box about a run that brings no Corvex.
    static UserText LogFileLine(const std::string& path);
};

// The window search and the hand-over: its lines, and the failure of a wake-up.
struct HandOverTexts : private TextTable {
    static const TextConstant Banner;
    static UserText Window(const std::string& className, const std::string& title);
    static UserText FrameWindow(const std::string& className, const std::string& title);
    static UserText NoAnswer(const std::string& className, const std::string& title, int polls);
    static UserText ForegroundRefused(const std::string& process, const std::string& code);
    static UserText SendingUdp(const std::string& wakeUp);
    static const TextConstant CannotFormatDateTime;
};

// What the polls end with: their boxes, and the line that tells what was left running.
struct PollTexts : private TextTable {
    static const TextConstant NotClosing;
    static const TextConstant WarningCaption;
    static UserText CorvexEnded(const std::string& exitCode, const std::string& commandLine);
    static UserText SilentCorvex(const std::string& title);
    static UserText NoWindow(int polls);
    static UserText StillRunning(const std::string& program, const std::string& process,
                                 const std::string& seconds);
};

// What keeps the program from starting, or a window from being made.
struct StartupFailures : private TextTable {
    static const TextConstant ApplicationWindow;
    static const TextConstant MainWindow;
    static const TextConstant MainWindowControls;
    static const TextConstant PictureBox;
    static const TextConstant PictureBoxControls;
    static UserText WindowClass(const UserText& failure, const std::string& className);
    static const TextConstant PictureResourceMissing;
    static const TextConstant PictureBitmap;
    static const TextConstant ScalePicture;
    static UserText DecodePicture(const std::string& reason);
    static const TextConstant UnknownException;
};

// The log file: its first line, the boxes it records, and its last line when it is full.
struct LogFileTexts : private TextTable {
    static UserText Heading(const std::string& time, const std::string& version,
                            const std::string& program);
    static UserText Box(const std::string& text);
    static UserText ErrorBox(const std::string& text);
    static UserText WarningBox(const std::string& text);
    static UserText Full(int mebibytes);
};

// How a failure and its reason are joined.
struct SystemTexts : private TextTable {
    static UserText WithReason(const UserText& what, const UserText& reason);
    static UserText WithReason(const UserText& what, const std::string& reason);
    // Where the system has no words for the error.
    static UserText WithCode(const UserText& what, const std::string& code);
    static UserText OleError(const std::string& hresult);
};

}  // namespace ostrel
