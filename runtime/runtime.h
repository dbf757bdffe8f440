// The window runtime's operations that the tool's own code (app/, skin/) calls. Windows only.
// Every TextValue given out here is new and owned by the caller, who frees it with freeValue.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "values.h"
#include "window.h"

// ---- memory -------------------------------------------------------------------------------
// Allocates from the process heap. Never gives null: when the heap cannot supply the block the
// fatal-error box "分配 %d 字节内存失败!" is shown and the process ends with -1.
void* runtimeAllocate(std::size_t bytes);
void freeValue(void* value);  // frees a TextValue or any block from runtimeAllocate; null is fine
TextValue newText(const char* bytes, std::size_t length);  // copies; length 0 gives null

// ---- fatal errors -------------------------------------------------------------------------
constexpr int noErrorCode = -1;
// Shows the fatal-error box (no owner, title "错误", stop icon, OK) with
// "运行时出错!\r\n\r\n" [+ "错误代码：" code "\r\n\r\n"] + "错误信息：" message "\r\n",
// then cleans up and ends the process with `exitCode`.
[[noreturn]] void fatalError(const char* message, int errorCode, int exitCode);

// ---- the run directory and files ----------------------------------------------------------
TextValue runDirectory();  // executable's folder, no trailing backslash ("D:" for a drive root)
bool fileExists(const char* path);  // a directory search finds an entry: file or folder
bool writeFile(const char* path, const std::uint8_t* bytes, std::uint32_t count);
bool setFileAttributes(const char* path, std::uint32_t attributes);  // masked with 0x27
std::uint32_t byteBlockLength(const ByteBlock* block);  // 0 for null

// ---- external library entries -------------------------------------------------------------
// An entry of an external library, declared by library file name and entry name. The library
// is loaded at the entry's first call (run directory first, then the system's search) and kept
// until clean-up. A library or entry that cannot be found ends the tool with the fatal-error box
// "无法找到指定DLL库文件“%s”中的输出命令“%s”"; a stack pointer that differs after the call
// ends it with code 6 and "调用DLL命令后发现堆栈错误".
struct LibraryEntry {
    const char* libraryName;
    const char* entryName;
    void* address;  // filled in at the first call
};
// Calls a stdcall entry with 32-bit arguments pushed right to left; gives its 32-bit result.
std::int32_t callLibraryEntry(LibraryEntry& entry, const std::int32_t* arguments, int argumentCount);

// ---- further operations of the handlers ---------------------------------------------------
// The platform's message box without an owner window; MB_TASKMODAL is added to `style` so the
// tool's windows are disabled while it shows (48 becomes 0x2030). Gives the button pressed.
int messageBox(const char* text, const char* title, std::uint32_t style);

// Opens an existing file. The default mode opens for reading and writing, shares reading and
// writing with others and never creates a file. Gives 0 when the file cannot be opened.
constexpr std::uint32_t openDefaultMode = 0;
std::intptr_t openFile(const char* path, std::uint32_t mode = openDefaultMode);
void closeFile(std::intptr_t file);  // 0 is ignored

double textToNumber(const char* text);  // see parseNumberText in number_text.h
TextValue numberToText(double value);   // "%.13g" with a three-digit exponent

// Calls a command such as ExportFileIcon with type-tagged arguments; arguments the caller leaves
// out at the end arrive as `omitted`.
using Command4 = std::int32_t (*)(const CommandArgument&, const CommandArgument&,
                                  const CommandArgument&, const CommandArgument&);
std::int32_t callCommand(Command4 command, std::initializer_list<CommandArgument> arguments);

// ---- start-up and the end of the run ------------------------------------------------------
// Initialises the runtime (heap, OLE, run directory as the current directory), loads
// `startWindow` and runs the message loop until no window of the tool remains. Gives the quit
// code (0). A start window that cannot be loaded ends the tool with "载入启动窗口失败".
int runProgram(const WindowLayout* startWindow);
// Frees what the runtime holds for the tool (the libraries of callLibraryEntry). Idempotent.
void cleanUpRuntime();
