// Where file names cross into Windows. Our code carries paths as UTF-8 (the
// command line's arguments, the file dialogs' answers, the names the host and
// the renderer build); Windows takes them as UTF-16 through its wide
// functions, converted here and nowhere else. A name is never converted to the
// ANSI code page, which would silently turn characters it lacks into others
// ("best fit") and so name a different file.
//
// The modules use this inside a host: it allocates from the process heap,
// throws nothing and uses no C++ library strings.
#pragma once

#include <windows.h>

#include <cstddef>

namespace kelvo {

// The longest path the wide file functions take (with the \\?\ prefix).
constexpr size_t kLongestWidePath = 32767;

// A UTF-16 string on the process heap, freed with the struct.
struct WideText {
    wchar_t* text = nullptr;  // null when there is none
    size_t length = 0;        // characters before the terminating zero
    size_t room = 0;          // characters the buffer holds, the zero included

    WideText() = default;
    WideText(const WideText&) = delete;
    WideText& operator=(const WideText&) = delete;
    ~WideText();
};

// A UTF-8 string on the process heap, freed with the struct.
struct Utf8Text {
    char* text = nullptr;
    Utf8Text() = default;
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;
    ~Utf8Text();
};

// Makes `wide` an empty string with room for `room` characters, the zero
// included. False when memory runs out.
bool MakeWideRoom(size_t room, WideText* wide);

// Frees the text now and leaves the struct empty.
void FreeText(WideText* wide);
void FreeText(Utf8Text* utf8);

// Converts a UTF-8 path into the name the wide file functions take, with
// `spare` characters of room after it (for a suffix the caller adds). A path
// that would reach MAX_PATH with the suffix is made absolute and given the
// \\?\ prefix (\\?\UNC\ for a network path), so that it works up to
// kLongestWidePath characters. Returns false, leaving `wide` empty, for a
// null or empty path, one that is not valid UTF-8, or when memory runs out.
bool WidePathFromUtf8(const char* utf8, size_t spare, WideText* wide);

// Converts UTF-16 text (ended by a zero) to UTF-8. Returns false, leaving
// `utf8` empty, for text that is not valid UTF-16 or when memory runs out.
bool Utf8FromWide(const wchar_t* text, Utf8Text* utf8);

// True when the wide name is a symbolic link or a junction: a name standing
// for another file or folder. Other reparse points (cloud placeholders,
// deduplicated files) are files like any other; a reparse point whose kind
// cannot be read counts as a link.
bool IsLinkOrJunction(const wchar_t* path);

}  // namespace kelvo
