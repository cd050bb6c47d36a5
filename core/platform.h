// What the core needs from the operating system: whole-file requests, error reports and the
// repaint request of the renderer. One global record of function pointers (and one error
// code) holds the implementation, which each program defines: the system's file requests
// (platform/, Win32 or POSIX) with its own reports and repaints. Tests swap single entries
// for fakes.
#pragma once

#include <cstdint>

// Whom an error report belongs to, opaque to the core: the window that owns the error box in
// the window program, the text that begins the message line in the console programs.
using WindowRef = void*;

// An open file, opaque to the core (a HANDLE on Windows, a descriptor elsewhere).
using FileRef = std::intptr_t;

// A system error code (GetLastError on Windows, errno elsewhere); 0 means success.
using ErrorCode = std::uint32_t;

// A rectangle of the picture in client coordinates, right and bottom exclusive.
struct PixelRect {
    std::int32_t left;
    std::int32_t top;
    std::int32_t right;
    std::int32_t bottom;
};

// Bytes of a path buffer, the terminating NUL included: the system's limit, which on Windows is
// far below that of POSIX systems.
#if defined(_WIN32)
constexpr int kMaxPath = 260;
#else
constexpr int kMaxPath = 4096;
#endif

struct Platform {
    // Opens an existing disk file for reading, with no sharing while it is open. Devices and
    // anything else that is no disk file are refused before any read, so nothing can block.
    ErrorCode (*openForReading)(const char* path, FileRef* file);
    // Fails, with the code that creating the file anew would give, when path names something
    // that a save must not replace: a file held open by another program, a read-only file, a
    // device, a path into a missing folder. 0 when path is free or an ordinary file.
    ErrorCode (*checkSaveTarget)(const char* path);
    // Creates a new empty file in the folder of target (of the file that target leads to, where
    // it is a symbolic link), for writing, with no sharing; its
    // name goes to tempPath (kMaxPath bytes) and is never longer than target's own name
    // allows, so that every target that fits kMaxPath gets one.
    ErrorCode (*createTempBeside)(const char* target, char* tempPath, FileRef* file);
    // One read request; *done receives the count of bytes actually read, less than size only
    // at the end of the file.
    ErrorCode (*readFile)(FileRef file, void* buffer, std::uint32_t size, std::uint32_t* done);
    // One write request; *done receives the count of bytes actually written.
    ErrorCode (*writeFile)(FileRef file, const void* data, std::uint32_t size, std::uint32_t* done);
    void (*closeFile)(FileRef file);
    // Puts the file at from in place of the file at to, replacing it if it exists; where the
    // system has them, with the old file's permissions and owner, and through a symbolic link.
    ErrorCode (*replaceFile)(const char* from, const char* to);
    void (*removeFile)(const char* path);
    // Shows the system's text for code to the user, owned by owner (or by no window).
    void (*reportError)(WindowRef owner, ErrorCode code);
    // Asks for a rectangle of the main window to be repainted from the frame buffer.
    void (*requestRepaint)(const PixelRect& rect);
    // The system's codes for a full disk (what a write that fell short without an error of
    // its own is reported as), for too little memory, and for an operation that the user
    // cancelled.
    ErrorCode diskFull;
    ErrorCode outOfMemory;
    ErrorCode cancelled;
};

// The implementation in use; starts as the one of the system the program was built for.
extern Platform platform;
