// Windows loaded from stored layouts, their controls, and control properties by number.
// Windows only. Layouts are constant tables in the tool's own code.
#pragma once
#include <cstdint>

#include "values.h"

enum class ControlKind {
    label,       // one line, left-aligned, vertically centred, in its own text colour
    editBox,     // single line, sunken edge, black on white
    flatButton,  // owner-drawn push button without a frame at rest
    openDialog,  // component: no window of its own
    dropTarget,  // component: no window of its own
};

// A property setting stored in a layout; applied through the ordinary property write.
struct PropertyValue {
    int number;
    std::int32_t integer;  // for integer and logical properties
    const char* text;      // for text properties (null: the empty text)
};

struct ControlLayout {
    const char* formName;  // the name shown in the layout editor; not used at run time
    int id;                // control identifier, unique within its window
    ControlKind kind;
    int left, top, width, height;  // in the parent's client area, pixels
    std::uint32_t textColour;      // COLORREF, for labels and flat buttons
    bool tabStop;
    const PropertyValue* properties;
    int propertyCount;
    void (*onClick)();                     // flat buttons
    void (*onTextEvent)(const char* text); // components that deliver a text (dropped files)
};

struct WindowLayout {
    const char* caption;
    int width, height;       // outer size, frame included
    const char* iconName;    // icon group resource, loaded at 32 and 16 pixels
    const ControlLayout* controls;
    int controlCount;
    void (*onCreated)();     // runs while the window is still hidden, all controls existing
};

// Control properties common to every kind end at 7; each kind's own start at 8.
enum TextControlProperty { controlText = 8 };  // labels, edit boxes, flat buttons
enum OpenDialogProperty {
    dialogType = 8, title, fileName, filter, initialFilter, initialDirectory, defaultExtension,
    createPrompt, fileMustExist, overwritePrompt, pathMustExist, noChangeDirectory,
};
enum DropTargetProperty { acceptText = 8, acceptHtml, acceptUrl, acceptFiles };
constexpr int propertyCount = 30;

// Creates the window hidden, creates and shows its controls, applies the stored properties,
// raises the created event and shows the window. False when it cannot be created.
bool loadWindow(const WindowLayout* layout);

// The system handle of a loaded window, 0 when it is not loaded.
std::intptr_t windowHandle(const WindowLayout& window);

// Reading a text property gives a new TextValue (null when empty); writing copies (null empties).
// Unknown controls and properties read as null / 0 and ignore writes.
TextValue readTextProperty(const WindowLayout& window, int control, int property);
void writeTextProperty(const WindowLayout& window, int control, int property, const char* text);
std::int32_t readIntegerProperty(const WindowLayout& window, int control, int property);
void writeIntegerProperty(const WindowLayout& window, int control, int property, std::int32_t value);

// Makes `handle` an OLE drop target served by the drop-target component. Only the first call with
// a non-zero handle counts: later calls return false, also after a failed registration. The
// registration ends when the component's window is destroyed. Needs OLE on the calling thread.
bool registerWindow(const WindowLayout& window, int dropTargetControl, std::intptr_t handle);
// Shows the open-file (dialogType 0) or save (1) dialog modally over the component's window.
// True when the user confirmed a file; its full path is then the component's fileName.
bool openDialogOpen(const WindowLayout& window, int openDialogControl);
