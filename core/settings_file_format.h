// A filter's own settings file, for a filter that has one: how kelvo-render's
// --settings reads it and --save-settings writes it, and the words its
// messages use. The filter's folder fills it in; its description points to it.
#pragma once

#include <cstddef>

namespace kelvo {

// What reading a settings file came to.
enum class SettingsFileRead {
    Loaded,           // the file's bytes are in the record
    CannotOpen,       // the file could not be opened; the record is untouched
    NotSettingsFile,  // empty, or the first byte is not the marker; the record is untouched
};

struct SettingsFileFormat {
    const char* fileWords;       // what a file is, for messages: "lens flare settings file"
    const char* settingsWords;   // what it holds: "lens flare settings"
    const char* markerRule;      // how a file of the format starts: "its first byte must be 1"
    const char* pixelPositions;  // the position settings it holds in pixels: "the flare centre"
    size_t headerBytes;          // bytes before the record's image; a whole file adds the record's size
    // Reads a file over the record (a UTF-8 path); `recordBytes` receives how
    // many bytes of the record the file held, fewer than its size for a short
    // file, whose other settings keep their values.
    SettingsFileRead (*read)(const char* path, void* record, size_t* recordBytes);
    // Writes the record as a file, replacing an existing one only once the new
    // one is whole; false with the reason in `why` (`whySize` bytes).
    bool (*write)(const char* path, const void* record, char* why, size_t whySize);
};

}  // namespace kelvo
